#include "core/errorlog.h"
#include "core/paths.h"
#include "core/runtimeerror.h"
#include "testenvironment.h"

#include <QtTest>
#include <memory>

class TestErrorLog : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
private slots:
    void init() { env = std::make_unique<TestEnvironment>(); }
    void cleanup() { env.reset(); }

    void timeoutEntry() {
        WriteErrorLog(0, QString(), QStringLiteral("Timeout bei Account postfach1"),
                      QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9)));
        QCOMPARE(env->read("error.log"), QByteArray("#2024-03-01#,#14:05:09#,0,\"\",\"Timeout bei Account postfach1\"\r\n"));
    }

    void errorLogKeepsOnlyTheLastEntry() {
        WriteErrorLog(13, QStringLiteral("Typen unverträglich"), QStringLiteral("formMain_Load()"),
                      QDateTime(QDate(2024, 3, 1), QTime(0, 0, 0)));
        WriteErrorLog(6, QStringLiteral("Überlauf"), QStringLiteral("Timer1_Timer()"), QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)));
        QCOMPARE(env->read("error.log"),
                 QString::fromUtf8("#2024-12-31#,#23:59:59#,6,\"Überlauf\",\"Timer1_Timer()\"\r\n").toUtf8());
    }

    void winsockLogAppendsAndUsesMidnightRule() {
        WriteWinsockErrorLog(0, QStringLiteral("Verbindung verweigert"), QDateTime(QDate(2024, 3, 1), QTime(0, 0, 0)));
        WriteWinsockErrorLog(1, QStringLiteral("Host nicht gefunden"), QDateTime(QDate(2024, 3, 1), QTime(0, 0, 1)));
        QCOMPARE(env->read("winsock_error.log"), QByteArray("#2024-03-01#,0,\"Verbindung verweigert\"\r\n"
                                                            "#2024-03-01 00:00:01#,1,\"Host nicht gefunden\"\r\n"));
    }

    void reportErrorLogsAndShowsBox() {
        QStringList boxes;
        SetErrorBoxHandler([&](const QString& text) { boxes << text; });
        ReportError(QStringLiteral("Timer2_Timer()"), RuntimeError::overflow());
        QCOMPARE(boxes.size(), 1);
        const QString rule(49, QLatin1Char('-'));
        QCOMPARE(boxes.first(), "\r\nEs ist ein Fehler aufgetreten:\r\n" + rule + "\r\nFehler Nr. 6\r\nÜberlauf\r\n" + rule + "\r\n");
        QVERIFY(!boxes.first().contains(QStringLiteral("Timer2_Timer()")));
        QVERIFY(env->read("error.log").endsWith(QString::fromUtf8(",6,\"Überlauf\",\"Timer2_Timer()\"\r\n").toUtf8()));
    }

    void unwritableLogStillShowsBox() {
        Paths::SetLogFolderForTesting(env->path("no/such/folder"));
        bool shown = false;
        SetErrorBoxHandler([&](const QString&) { shown = true; });
        ReportError(QStringLiteral("formMain_Load()"), RuntimeError::typeMismatch());
        WriteWinsockErrorLog(1, QStringLiteral("x"));
        QVERIFY(shown);
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
