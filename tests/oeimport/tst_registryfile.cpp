#include "generatedreg.h"
#include "oeimport/oeaccountinfo.h"
#include "oeimport/winefilesource.h"
#include "oeimport/winereg.h"

#include <QTemporaryDir>
#include <QtTest>
#include <ctime>

using Registry::KeyNode;

namespace {
// Processor time of this process: what the reader costs, however busy the machine is.
qint64 CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
}  // namespace

// Damaged and huge registry files: read in time linear in their size, without a crash. The limits
// on processor time are ten times what the reader needs (see bench_registry), so they only catch
// a reader that slows down with the square of the size.
class TestRegistryFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { qputenv("HOME", QFile::encodeName(dir_.path())); }

    // Keys nested deeper than the registry allows are skipped as damaged, whatever their depth;
    // the keys after them are read.
    void deepKeys_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("kept");
        QTest::newRow("at the limit") << 512 << true;
        QTest::newRow("one past the limit") << 513 << false;
        QTest::newRow("300,000 levels") << 300000 << false;
    }
    void deepKeys() {
        QFETCH(int, depth);
        QFETCH(bool, kept);
        KeyNode root;
        QVERIFY(Registry::Wine::Parse(GeneratedReg::DeepKey(depth), root));
        const KeyNode* deep = root.Find(QStringList(qMin(depth, 512), QStringLiteral("K")).join('\\'));
        QCOMPARE(deep && deep->FindValue(QStringLiteral("Tief")), kept);
        QCOMPARE(root.Child(QStringLiteral("K")) != nullptr, kept);
        const KeyNode* after = root.Find(QStringLiteral("Software\\Danach"));
        QVERIFY(after && after->FindValue(QStringLiteral("Danach")));
    }

    void continuedValueOfOneMegabyte() {
        const QByteArray content = GeneratedReg::ContinuedValue(1 << 20);
        KeyNode root;
        const qint64 start = CpuMs();
        QVERIFY(Registry::Wine::Parse(content, root));
        QVERIFY2(CpuMs() - start < 500, qPrintable(QString::number(CpuMs() - start) + " ms"));
        const Registry::Value* blob = root.Find(QStringLiteral("Software\\Gross"))->FindValue(QStringLiteral("Blob"));
        QVERIFY(blob);
        QCOMPARE(blob->data.size(), (1 << 20) / 3);
        QCOMPARE(quint8(blob->data.at(300000)), quint8(300000 % 256));
    }

    void twentyThousandAccounts() {
        QFile file(dir_.filePath(QStringLiteral("user.reg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(GeneratedReg::Accounts(20000));
        file.close();
        Registry::WineFileSource source(file.fileName());
        const qint64 start = CpuMs();
        const QVector<OEAccount> accounts = ReadOEImapAccounts(source);
        QVERIFY2(CpuMs() - start < 3000, qPrintable(QString::number(CpuMs() - start) + " ms"));
        QCOMPARE(accounts.size(), 20000);
        QCOMPARE(accounts.first().SMTPEmailAddress, QStringLiteral("00000001@example.org"));
        QCOMPARE(accounts.last().IMAPServer, QStringLiteral("imap00020000.example"));
        QCOMPARE(accounts.last().IMAPPort, 143);
    }
};

QTEST_GUILESS_MAIN(TestRegistryFile)
#include "tst_registryfile.moc"
