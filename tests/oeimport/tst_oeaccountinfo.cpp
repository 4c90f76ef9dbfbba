// The Outlook Express accounts read from Wine's registry files: those in data/, and damaged or huge ones
// from generatedreg.h, read in time linear in their size (limits ten times what bench_registry measures).
#include "generatedreg.h"
#include "oeimport/oeaccountinfo.h"
#include "oeimport/winefilesource.h"
#include "oeimport/winereg.h"

#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>

using GeneratedReg::CpuMs;
using Registry::KeyNode;

namespace {
QString Data(const QString& name) { return QStringLiteral(OEIMPORT_TEST_DATA "/") + name; }

// What the import dialog takes from an account, on one line.
QStringList Lines(const QVector<OEAccount>& accounts) {
    QStringList lines;
    for (const OEAccount& a : accounts)
        lines << QStringList{a.AccountID, a.SMTPEmailAddress, a.IMAPUserName, a.IMAPServer, QString::number(a.IMAPPort)}.join('|');
    return lines;
}
}  // namespace

class TestOEAccountInfo : public QObject {
    Q_OBJECT
    QTemporaryDir home;

private slots:
    void initTestCase() {
        // Before anything asks for the program's own source, ~/.wine/user.reg.
        QVERIFY(home.isValid());
        qputenv("HOME", QFile::encodeName(home.path()));
    }

    // IMAP mail accounts in enumeration order; POP3, news, directory and server-less accounts stay out.
    void imapAccounts_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("accounts of every kind")
            << "accounts.reg"
            << QStringList{"00000001|max@firma.example|m.mueller|imap.firma.example|993",
                           QString::fromUtf8("00000005|juergen@gmx.example|jürgen.bär|imap.gmx.example|143"),  // no port
                           "00000008|kasse@verein.example|kassenwart|imap.verein.example|399"};  // hex bytes over two lines
        // Written out of order and in mixed letter case, the Accounts key only as the parent of its
        // subkeys; the two sections of 0000000b are one key.
        QTest::newRow("enumeration order")
            << "order.reg"
            << QStringList{"00000001|eins@example.org||imap.1.example|143", "00000003|drei@example.org||imap.3.example|143",
                           "0000000A|zehn-hex@example.org||imap.a.example|143", "0000000b|elf-hex@example.org||imap.b.example|143",
                           "00000010|zehn@example.org||imap.10.example|143", "2|zwei@example.org||imap.2.example|143",
                           "a-mail|a@a.example||imap.a.example|143", QString::fromUtf8("Müller|m@example.org||imap.m.example|143"),
                           "Z-Mail|z@z.example||imap.z.example|143", "_privat|p@example.org||imap.p.example|143"};
        QTest::newRow("regedit export, not Wine's file") << "regedit4.reg" << QStringList();
        QTest::newRow("no Internet Account Manager") << "nobase.reg" << QStringList();
        QTest::newRow("no Accounts key") << "noaccounts.reg" << QStringList();
        QTest::newRow("Accounts without subkeys") << "emptyaccounts.reg" << QStringList();
    }
    void imapAccounts() {
        QFETCH(QString, file);
        QFETCH(QStringList, lines);
        Registry::WineFileSource source(Data(file));
        QCOMPARE(Lines(ReadOEImapAccounts(source)), lines);
    }

    // Values as Wine writes them, and lines it would not read: user names in texts.reg, ports in ports.reg.
    void values_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("expected");
        const auto text = [](const char* id, const QString& expected) { QTest::newRow(id) << "texts.reg" << id << expected; };
        const auto port = [](const char* id, qint32 expected) { QTest::newRow(id) << "ports.reg" << id << QString::number(expected); };
        text("259 characters", QString(259, 'a'));
        text("260 characters", QString());
        text("259 umlauts", QString(259, QChar(0xFC)));  // 259 bytes in the code page
        text("embedded zero", "max");
        text("euro sign", QString::fromUtf8("€ 5"));
        text("not in code page", "?ukov");
        text("escapes", "a\\b\"c\td");
        text("backslash at the end", "C:\\");
        text("control escapes", "1\n2\r3\t4\a5\b6\x1b" "7\f8\v9");
        text("octal escape", "A1");
        text("utf-8 in the file", QString::fromUtf8("Grüße"));
        text("crlf line ends", "crlf");
        text("value name in other case", "klein");
        text("str(2)", "%USERNAME%");
        text("str(7)", "eins");
        text("hex(2) over lines", "max");
        text("hex(7)", "eins");
        text("binary without zero", "max");
        for (const char* unread : {"comment after a continued line", "unterminated text", "unknown type", "text after the value", "absent"})
            text(unread, QString());
        port("dword", 993);
        port("dword negative", -1);
        port("hex 4 bytes", 993);
        port("hex 2 bytes", 300);
        port("trailing comma", 0x0201);
        port("hex no bytes", 0);
        port("text of 3 characters", 0x00333939);  // four bytes with the zero
        // Too large to read, or not read at all: the default port.
        for (const char* unread : {"hex 5 bytes", "qword", "dword of 9 digits", "odd hex digits", "empty hex byte", "absent"})
            port(unread, 143);
        // SSL/TLS accounts ("IMAP Secure Connection" 1) default to their own port.
        port("secure without port", 993);
        port("secure with port", 994);
    }
    void values() {
        QFETCH(QString, file);
        QFETCH(QString, id);
        QFETCH(QString, expected);
        Registry::WineFileSource source(Data(file));
        const QVector<OEAccount> accounts = ReadOEImapAccounts(source);
        const auto a = std::find_if(accounts.begin(), accounts.end(), [&](const OEAccount& x) { return x.AccountID == id; });
        QVERIFY2(a != accounts.end(), "account not listed");
        QCOMPARE(file == "texts.reg" ? a->IMAPUserName : QString::number(a->IMAPPort), expected);
    }

    // ~/.wine/user.reg, read anew each time: possible only when the last read closed every key it opened.
    void programSource() {
        const QString userReg = home.filePath(".wine/user.reg");
        QVERIFY(ReadOEImapAccounts().isEmpty());  // no Wine installation
        QVERIFY(QDir(home.path()).mkpath(".wine"));
        QVERIFY(QFile::copy(Data("accounts.reg"), userReg));
        QCOMPARE(ReadOEImapAccounts().size(), 3);
        QVERIFY(QFile::remove(userReg) && QFile::copy(Data("order.reg"), userReg));
        QCOMPARE(ReadOEImapAccounts().size(), 10);
    }

    // Keys deeper than the registry allows are skipped as damaged; the keys after them are read.
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
        const double start = CpuMs();
        QVERIFY(Registry::Wine::Parse(content, root));
        QVERIFY2(CpuMs() - start < 500, qPrintable(QString::number(CpuMs() - start) + " ms"));
        const Registry::Value* blob = root.Find(QStringLiteral("Software\\Gross"))->FindValue(QStringLiteral("Blob"));
        QVERIFY(blob);
        QCOMPARE(blob->data.size(), (1 << 20) / 3);
        QCOMPARE(quint8(blob->data.at(300000)), quint8(300000 % 256));
    }

    void twentyThousandAccounts() {
        QFile file(home.filePath(QStringLiteral("20000.reg")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(GeneratedReg::Accounts(20000)) > 0);
        file.close();
        Registry::WineFileSource source(file.fileName());
        const double start = CpuMs();
        const QVector<OEAccount> accounts = ReadOEImapAccounts(source);
        QVERIFY2(CpuMs() - start < 3000, qPrintable(QString::number(CpuMs() - start) + " ms"));
        QCOMPARE(accounts.size(), 20000);
        QCOMPARE(accounts.first().SMTPEmailAddress, QStringLiteral("00000001@example.org"));
        QCOMPARE(accounts.last().IMAPServer, QStringLiteral("imap00020000.example"));
        QCOMPARE(accounts.last().IMAPPort, 143);
    }
};

QTEST_GUILESS_MAIN(TestOEAccountInfo)
#include "tst_oeaccountinfo.moc"
