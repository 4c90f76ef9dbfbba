#include "check/checkcycle.h"
#include "core/errorlog.h"
#include "core/funktionen.h"
#include "core/runtimeerror.h"
#include "localport.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QTimer>
#include <QtTest>
#include <memory>

using Chunks = ScriptedImapServer::Chunks;

namespace {
const int CycleTimeoutMs = 10000;
const QString Password = QStringLiteral("Geheim Wort 42");
const QString Timeout = QStringLiteral("TIMEOUT OCCURED, Account: eins@example.org");
QString Connecting(quint16 port) { return QStringLiteral("Connecting to 127.0.0.1:%1").arg(port); }

// How a scripted server behaves; by default it greets and has 3 recent messages.
struct Script {
    Chunks greeting{"* OK ready\r\n"};
    Chunks login{"A001 OK Logged in\r\n"};
    Chunks examine{"* 3 RECENT\r\nA002 OK done\r\n"};
    QByteArray closeAfter = "A004";
    bool refused = false;  // nothing listens at the account's port
};
Script Login(const Chunks& reply) { return Script{Script().greeting, reply}; }
Script Examine(const Chunks& reply) { return Script{Script().greeting, Script().login, reply}; }
}  // namespace
Q_DECLARE_METATYPE(Script)

class TestCheckCycle : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<CheckCycle> cycle;
    QStringList protocol;
    QStringList errorBoxes;
    int alerts = 0;

    void add(const QString& user, quint16 port, const QString& password = Password) { Accounts.append(TestAccount(user, port, password)); }
    bool idle() const { return cycle->Timer1()->isActive() && !cycle->Timer2()->isActive(); }

private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, 400});
        protocol.clear();
        errorBoxes.clear();
        alerts = 0;
        cycle->SetProtocolSink([this](const QString& text) { protocol << text; });
        cycle->SetAlertDispatcher([this] {
            QVERIFY(idle());  // the alert comes after Timer1 is on again and Timer2 off
            ++alerts;
        });
        SetErrorBoxHandler([this](const QString& text) { errorBoxes << text; });
    }
    void cleanup() { cycle.reset(); env.reset(); }

    void oneAccountProtocolAndWire() {
        ScriptedImapServer server;
        server.setRecent(2);
        add(QStringLiteral("maria"), server.port(), QStringLiteral("geheim"));
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(2));
        QCOMPARE(server.commands(), (QList<QByteArray>{"A001 LOGIN maria geheim", "A002 EXAMINE INBOX", "A004 LOGOUT"}));
        QCOMPARE(protocol, (QStringList{Connecting(server.port()), "* OK [CAPABILITY IMAP4rev1] Scripted server ready.", "",
                                        "A001 LOGIN maria", "A001 OK Logged in", "", "A002 EXAMINE INBOX",
                                        "* FLAGS (\\Answered \\Seen)", "* 5 EXISTS", "* 2 RECENT", "A002 OK [READ-ONLY] Examine completed.", "",
                                        "A004 LOGOUT", "* BYE Logging out", "A004 OK Logout completed.", ""}));
    }

    // The first account's server answers as the row says; the second one is friendly with 2 recent
    // messages, so every row also shows that the cycle goes on.
    void firstAccountOutcome_data() {
        QTest::addColumn<Script>("script");
        QTest::addColumn<int>("count");  // 7 before the check
        QTest::newRow("untagged CAPABILITY before A001 OK") << Login({"* CAPABILITY IMAP4rev1\r\nA001 OK Logged in\r\n"}) << 3;
        QTest::newRow("login reply split over two arrivals") << Login({"A001 O", "K Logged in\r\n"}) << 3;
        QTest::newRow("RECENT arrives before A002 OK") << Examine({"* 4 RECENT\r\n", "A002 OK done\r\n"}) << 4;
        QTest::newRow("count split over two arrivals") << Examine({"* 1", "7 RECENT\r\nA002 OK done\r\n"}) << 17;
        QTest::newRow("three-digit count") << Examine({"* 123 RECENT\r\nA002 OK done\r\n"}) << 123;
        QTest::newRow("count capped at 32767") << Examine({"* 70000 RECENT\r\nA002 OK done\r\n"}) << 32767;
        QTest::newRow("EXAMINE without RECENT keeps the count") << Examine({"* 5 EXISTS\r\nA002 OK done\r\n"}) << 7;
        QTest::newRow("silent server") << Script{{}} << -1;
        QTest::newRow("NO to LOGIN") << Login({"A001 NO [AUTHENTICATIONFAILED] failed.\r\n"}) << -1;
        QTest::newRow("garbage") << Login({QByteArray("\xff\xfe\x00\x01 A001 OK\r\n\x80", 15)}) << -1;
        QTest::newRow("close after LOGIN") << Script{Script().greeting, {}, {}, "A001"} << -1;
        QTest::newRow("refused port") << Script{{}, {}, {}, {}, true} << -1;
    }
    void firstAccountOutcome() {
        QFETCH(Script, script);
        QFETCH(int, count);
        ScriptedImapServer first;
        first.setGreeting(script.greeting);
        first.setReply("A001", script.login);
        first.setReply("A002", script.examine);
        first.setCloseAfter(script.closeAfter);
        ScriptedImapServer second;
        second.setRecent(2);
        add(QStringLiteral("eins"), script.refused ? FreeLocalPort() : first.port());
        add(QStringLiteral("zwei"), second.port());
        Accounts[1].NewMailCount = 7;
        QByteArray errorLog;  // as the cycle left it
        cycle->SetAlertDispatcher([&] {
            errorLog = env->read("error.log");
            ++alerts;
            throw RuntimeError::typeMismatch();  // reported by the handler that finished the cycle
        });
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QVERIFY(idle());
        QCOMPARE(int(Accounts[1].NewMailCount), count);
        QCOMPARE(Accounts[2].NewMailCount, qint16(2));
        const qsizetype next = protocol.indexOf(Connecting(second.port()));
        if (count == -1) {
            // The watchdog ended the account: its two entries come right before the next connection.
            QCOMPARE(protocol.mid(next - 2, 2), (QStringList{Timeout, ""}));
            QVERIFY(errorLog.endsWith(",0,\"\",\"Timeout bei Account eins@example.org\"\r\n"));
        } else {
            QCOMPARE(protocol.mid(next - 4, 4), (QStringList{"A004 LOGOUT", "* BYE Logging out", "A004 OK Logout completed.", ""}));
            QVERIFY(!protocol.contains(Timeout) && errorLog.isEmpty());
        }
        // The refusal, and nothing else, is one line with Qt's error number 0.
        const QByteArray socketLog = env->read("winsock_error.log");
        QCOMPARE(socketLog.count('\n') == 1 && socketLog.contains(",0,\""), script.refused);
        // The password (with blanks) went to the server quoted, and nowhere else.
        QCOMPARE(first.commands().value(0), QByteArray(script.greeting.isEmpty() ? "" : "A001 LOGIN eins \"Geheim Wort 42\""));
        QCOMPARE(errorBoxes.size(), 1);
        QVERIFY(errorBoxes.first().contains(QStringLiteral("Fehler Nr. 13")));
        for (const QString& shown : {protocol.join('\n'), errorBoxes.first(), QString(errorLog + env->read("error.log") + socketLog)})
            QVERIFY(!shown.contains(Password));
    }

    // A cycle runs when the manual check or the tick comes; nothing new may start.
    void noSecondCycleOverARunningOne_data() {
        QTest::addColumn<bool>("greetsLate");
        QTest::newRow("second account connecting, before its greeting") << true;
        QTest::newRow("second account past its greeting") << false;
    }
    void noSecondCycleOverARunningOne() {
        QFETCH(bool, greetsLate);
        ScriptedImapServer first;
        first.setRecent(1);
        ScriptedImapServer second;
        second.setRecent(4);
        second.setGreeting(greetsLate ? Chunks{} : Chunks{"* OK ready\r\n"});
        second.setReply("A001", {});  // holds the dialogue after LOGIN
        add(QStringLiteral("eins"), first.port(), QStringLiteral("passwort-eins"));
        add(QStringLiteral("zwei"), second.port(), QStringLiteral("passwort-zwei"));

        cycle->StartMonitoring();
        if (greetsLate)
            QTRY_VERIFY(protocol.contains(Connecting(second.port())));
        else
            QTRY_COMPARE(second.commands().size(), 1);
        const QStringList before = protocol;
        cycle->CheckNow();
        Settings.KontrollIntervall = 1;  // a minute tick that reaches the interval
        cycle->Timer1_Timer();
        QCOMPARE(protocol, before);
        QVERIFY(cycle->CycleRunning());

        second.setReply("A001", {"A001 OK Logged in\r\n"});
        second.sendToAll(greetsLate ? "* OK late\r\n" : "A001 OK Logged in\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(1));
        QCOMPARE(Accounts[2].NewMailCount, qint16(4));
        QCOMPARE(first.connectionCount(), 1);
        QCOMPARE(second.connectionCount(), 1);
        QCOMPARE(second.commands().first(), QByteArray("A001 LOGIN zwei passwort-zwei"));
    }

    // The settings or the import dialog reload the list while account 2 is connecting.
    void listReloadedDuringTheCycle_data() {
        QTest::addColumn<bool>("greetAfterReload");
        QTest::addColumn<bool>("slot2Stays");  // the new list holds another account in slot 2
        QTest::newRow("shorter list, the watchdog ends") << false << false;
        QTest::newRow("shorter list, the greeting arrives") << true << false;
        QTest::newRow("slot 2 now on another server") << true << true;
    }
    void listReloadedDuringTheCycle() {
        QFETCH(bool, greetAfterReload);
        QFETCH(bool, slot2Stays);
        ScriptedImapServer first;
        ScriptedImapServer second;
        second.setGreeting({});
        ScriptedImapServer third;
        third.setRecent(6);
        add(QStringLiteral("eins"), first.port());
        if (slot2Stays)
            add(QStringLiteral("drei"), third.port(), QStringLiteral("passwort-drei"));
        SaveAccounts();
        Accounts.resize(2);
        add(QStringLiteral("zwei"), second.port(), QStringLiteral("passwort-zwei"));
        add(QStringLiteral("drei"), third.port(), QStringLiteral("passwort-drei"));

        cycle->StartMonitoring();
        QTRY_VERIFY(protocol.contains(Connecting(second.port())));
        LoadAccounts();
        if (greetAfterReload)
            second.sendToAll("* OK ready\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QVERIFY(idle());
        QVERIFY(second.commands().isEmpty());
        QCOMPARE(AccountCount(), slot2Stays ? 2 : 1);
        QCOMPARE(third.connectionCount(), int(slot2Stays));
        QCOMPARE(third.commands().value(0), slot2Stays ? QByteArray("A001 LOGIN drei passwort-drei") : QByteArray());
        QVERIFY(!protocol.join('\n').contains(QStringLiteral("TIMEOUT")));
        QVERIFY(errorBoxes.isEmpty());
    }

    // Minute ticks start a cycle when the count reaches the interval; a manual check starts one at once.
    void ticksAndManualCheck() {
        ScriptedImapServer server;
        add(QStringLiteral("eins"), server.port());
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        for (int tick = 1; tick < Settings.KontrollIntervall; ++tick)
            cycle->Timer1_Timer();
        QVERIFY(!cycle->CycleRunning());
        cycle->Timer1_Timer();  // the fifth
        QVERIFY(cycle->CycleRunning() && !cycle->Timer1()->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 2, CycleTimeoutMs);
        cycle->CheckNow();
        QVERIFY(cycle->CycleRunning());
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 3, CycleTimeoutMs);
        QCOMPARE(server.connectionCount(), 3);
    }

    void minuteTimerTicksByItself() {
        CheckCycle ticking(nullptr, CheckCycle::Intervals{20, 400});
        Settings.KontrollIntervall = 3;
        ticking.StartMinuteTimer();
        QTRY_VERIFY(ticking.MinuteCounter >= 2);
    }
};

QTEST_GUILESS_MAIN(TestCheckCycle)
#include "tst_checkcycle.moc"
