#include "core/errorlog.h"
#include "core/runtimeerror.h"
#include "testenvironment.h"

#include <QtTest>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

class TestErrorLog : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
private slots:
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }

    // error.log keeps only the last entry; a reported error also shows its box.
    void errorLogKeepsOnlyTheLastEntry() {
        WriteErrorLog(0, QString(), QStringLiteral("Timeout bei Account postfach1"), QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9)));
        QCOMPARE(env->read("error.log"), QByteArray("#2024-03-01#,#14:05:09#,0,\"\",\"Timeout bei Account postfach1\"\r\n"));
        QStringList boxes;
        SetErrorBoxHandler([&](const QString& text) { boxes << text; });
        ReportError(QStringLiteral("Timer2_Timer()"), RuntimeError::overflow());
        const QString rule(49, QLatin1Char('-'));
        QCOMPARE(boxes,
                 QStringList{"\r\nEs ist ein Fehler aufgetreten:\r\n" + rule + "\r\nFehler Nr. 6\r\nÜberlauf\r\n" + rule + "\r\n"});
        const QByteArray log = env->read("error.log");
        QVERIFY2(log.endsWith(QString::fromUtf8(",6,\"Überlauf\",\"Timer2_Timer()\"\r\n").toUtf8()), log.constData());
        QCOMPARE(log.count("\r\n"), 1);
    }

    void winsockLogAppendsAndUsesMidnightRule() {
        WriteWinsockErrorLog(0, QStringLiteral("Verbindung verweigert"), QDateTime(QDate(2024, 3, 1), QTime(0, 0, 0)));
        WriteWinsockErrorLog(1, QStringLiteral("Host nicht gefunden"), QDateTime(QDate(2024, 3, 1), QTime(0, 0, 1)));
        QCOMPARE(env->read("winsock_error.log"), QByteArray("#2024-03-01#,0,\"Verbindung verweigert\"\r\n"
                                                            "#2024-03-01 00:00:01#,1,\"Host nicht gefunden\"\r\n"));
    }

    // Both logs hold e-mail addresses: readable by their owner only, also when an older run left one
    // readable by all; a link planted where a log belongs is never written through, even by root.
    void logsArePrivate_data() {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("plant");
        QTest::newRow("new error.log") << "error.log" << "";
        QTest::newRow("winsock_error.log left readable by all") << "winsock_error.log" << "readable";
        QTest::newRow("error.log, link to a file") << "error.log" << "symlink";
        QTest::newRow("error.log, link to nothing") << "error.log" << "dangling";
        QTest::newRow("winsock_error.log, hard link") << "winsock_error.log" << "hardlink";
    }
    void logsArePrivate() {
        QFETCH(QString, log);
        QFETCH(QString, plant);
        const QString victim = env->path("victim");
        const bool linked = plant.endsWith("link") || plant == "dangling";
        if (plant == "readable" || (linked && plant != "dangling")) {
            QFile file(plant == "readable" ? env->path(log) : victim);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("keep me\n");
            QVERIFY(file.setPermissions(QFileDevice::Permissions(0x6644)));
        }
        if (plant == "hardlink")
            QCOMPARE(::link(QFile::encodeName(victim).constData(), QFile::encodeName(env->path(log)).constData()), 0);
        else if (linked)
            QVERIFY(QFile::link(victim, env->path(log)));
        const mode_t umask = ::umask(0);
        if (log == "error.log")
            WriteErrorLog(0, QString(), QStringLiteral("Timeout bei Account postfach1"));
        else
            WriteWinsockErrorLog(10061, QStringLiteral("Verbindung verweigert"));
        ::umask(umask);
        if (linked) {
            QCOMPARE(env->read("victim"), plant == "dangling" ? QByteArray() : QByteArray("keep me\n"));
            QCOMPARE(QFileInfo::exists(victim), plant != "dangling");
            return;
        }
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(env->path(log)).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
    }

    // winsock_error.log stays under 1 MB: the oldest whole lines go, the newest stay in order.
    void winsockLogDropsItsOldestLines() {
        QByteArray old;
        for (int i = 0; old.size() < 1024 * 1024 - 40; ++i)
            old += "#2024-03-01 00:00:01#,10061,\"alt " + QByteArray::number(i) + "\"\r\n";
        QFile file(env->path("winsock_error.log"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(old);
        file.close();
        WriteWinsockErrorLog(1, QStringLiteral("neu"), QDateTime(QDate(2024, 3, 2), QTime(8, 0, 0)));
        const QByteArray now = env->read("winsock_error.log");
        QVERIFY2(now.size() < 1024 * 1024 && now.size() > 512 * 1024, QByteArray::number(now.size()));
        QVERIFY(now.endsWith("\r\n#2024-03-02 08:00:00#,1,\"neu\"\r\n"));
        QVERIFY(now.startsWith("#2024-03-01 00:00:01#,10061,\"alt "));
        QVERIFY(old.endsWith(now.left(now.lastIndexOf("#2024-03-02"))));
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
