#include "check/checkcycle.h"
#include "check/winsock.h"
#include "core/account.h"
#include "core/errorlog.h"
#include "core/funktionen.h"
#include "core/runtimeerror.h"
#include "localport.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QTcpServer>
#include <QTimer>
#include <QtTest>
#include <memory>

using Chunks = ScriptedImapServer::Chunks;

namespace {
const int WatchdogMs = 400;
const int CycleTimeoutMs = 10000;
const QString Password = QStringLiteral("Geheim Wort 42");
// A host name under .invalid that Qt rejects itself (it holds a blank), so no name server is asked.
const QString UnknownHost = QStringLiteral("unbekannter rechner.invalid");

quint16 ClosedPort() { return FreeLocalPort(); }

// True when the entries of run stand one after another somewhere in the list.
bool ContainsRun(const QStringList& list, const QStringList& run) {
    for (qsizetype start = 0; start + run.size() <= list.size(); ++start) {
        if (list.mid(start, run.size()) == run)
            return true;
    }
    return false;
}

Account MakeAccount(const QString& email, const QString& server, int port, const QString& username,
                    const QString& password = Password, const QString& mailbox = QStringLiteral("INBOX")) {
    Account account;
    account.EMail = email;
    account.Server = server;
    account.Port = qint16(port);
    account.Username = username;
    account.Password = password;
    account.Mailbox = mailbox;
    return account;
}
}  // namespace

// How the first account's server behaves; the second account's server is always friendly.
enum class Server { Scripted, Refused, UnknownHost };
Q_DECLARE_METATYPE(Server)

class TestCheckCycle : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<CheckCycle> cycle;
    QStringList protocol;
    QStringList errorBoxes;
    int alerts = 0;

    void addAccount(const Account& account) { Accounts.append(account); }
    void addAccount(const QString& email, const ScriptedImapServer& server, const QString& username,
                    const QString& password = Password, const QString& mailbox = QStringLiteral("INBOX")) {
        addAccount(MakeAccount(email, QStringLiteral("127.0.0.1"), server.port(), username, password, mailbox));
    }
    QString connecting(const ScriptedImapServer& server) const {
        return QStringLiteral("Connecting to 127.0.0.1:") + QString::number(server.port());
    }
    bool idle() const { return cycle->Timer1()->isActive() && !cycle->Timer2()->isActive() && !cycle->CycleRunning(); }

private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, WatchdogMs});
        protocol.clear();
        errorBoxes.clear();
        alerts = 0;
        cycle->SetProtocolSink([this](const QString& text) { protocol << text; });
        cycle->SetAlertDispatcher([this] {
            // The dispatch comes after the minute timer is on again and the watchdog off.
            QVERIFY(idle());
            ++alerts;
        });
        SetErrorBoxHandler([this](const QString& text) { errorBoxes << text; });
    }
    void cleanup() {
        cycle.reset();
        env.reset();
    }

    void oneAccountProtocolAndWire() {
        ScriptedImapServer server;
        server.setRecent(2);
        addAccount(QStringLiteral("maria@example.org"), server, QStringLiteral("maria"), QStringLiteral("geheim"));
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(2));
        QCOMPARE(server.commands(), (QList<QByteArray>{"A001 LOGIN maria geheim", "A002 EXAMINE INBOX", "A004 LOGOUT"}));
        const QStringList expected{connecting(server),
                                   "* OK [CAPABILITY IMAP4rev1] Scripted server ready.", "",
                                   "A001 LOGIN maria",
                                   "A001 OK Logged in", "",
                                   "A002 EXAMINE INBOX",
                                   "* FLAGS (\\Answered \\Seen)", "* 5 EXISTS", "* 2 RECENT", "A002 OK [READ-ONLY] Examine completed.", "",
                                   "A004 LOGOUT",
                                   "* BYE Logging out", "A004 OK Logout completed.", ""};
        QCOMPARE(protocol, expected);
        QCOMPARE(cycle->CheckInProgress, qint16(0));
        QCOMPARE(cycle->MinuteCounter, qint16(0));
        QCOMPARE(cycle->Timer1()->interval(), 60000);
        QVERIFY(idle());
        QVERIFY(env->read("error.log").isEmpty());
    }

    // The first account's server answers as the row says; the second one is always friendly with
    // 2 recent messages, so every row also shows that the cycle goes on.
    void firstAccountOutcome_data() {
        QTest::addColumn<Server>("kind");
        QTest::addColumn<Chunks>("greeting");
        QTest::addColumn<Chunks>("login");
        QTest::addColumn<Chunks>("examine");
        QTest::addColumn<QByteArray>("closeAfter");
        QTest::addColumn<int>("countBefore");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("shown");  // entries that follow each other in the protocol

        const Chunks hello{"* OK ready\r\n"};
        const Chunks loginOk{"A001 OK Logged in\r\n"};
        const Chunks examine3{"* 3 RECENT\r\nA002 OK [READ-ONLY] done\r\n"};
        const QByteArray afterLogout("A004");
        const QString timeout = QStringLiteral("TIMEOUT OCCURED, Account: eins@example.org");
        const Server scripted = Server::Scripted;

        QTest::newRow("untagged CAPABILITY before the login reply")
            << scripted << hello << Chunks{"* CAPABILITY IMAP4rev1 IDLE\r\nA001 OK Logged in\r\n"} << examine3 << afterLogout << 0 << 3
            << QStringList{"* CAPABILITY IMAP4rev1 IDLE", "A001 OK Logged in", "", "A002 EXAMINE INBOX"};
        QTest::newRow("login reply split over two arrivals")
            << scripted << hello << Chunks{"A001 O", "K Logged in\r\n"} << examine3 << afterLogout << 0 << 3
            << QStringList{"A001 O", "K Logged in", "", "A002 EXAMINE INBOX"};
        QTest::newRow("RECENT line in an earlier arrival than A002 OK")
            << scripted << hello << loginOk << Chunks{"* 4 RECENT\r\n", "A002 OK done\r\n"} << afterLogout << 0 << 4
            << QStringList{"* 4 RECENT", "", "A002 OK done", "", "A004 LOGOUT"};
        QTest::newRow("line split inside the count")
            << scripted << hello << loginOk << Chunks{"* 1", "7 RECENT\r\nA002 OK done\r\n"} << afterLogout << 0 << 17
            << QStringList{"* 1", "7 RECENT", "A002 OK done", "", "A004 LOGOUT"};
        QTest::newRow("three-digit count")
            << scripted << hello << loginOk << Chunks{"* 123 RECENT\r\nA002 OK done\r\n"} << afterLogout << 0 << 123
            << QStringList{"* 123 RECENT", "A002 OK done", "", "A004 LOGOUT"};
        QTest::newRow("count above 16 bits is capped")
            << scripted << hello << loginOk << Chunks{"* 70000 RECENT\r\nA002 OK done\r\n"} << afterLogout << 0 << 32767
            << QStringList{"* 70000 RECENT", "A002 OK done", ""};
        QTest::newRow("EXAMINE answer without RECENT keeps the count")
            << scripted << hello << loginOk << Chunks{"* 5 EXISTS\r\nA002 OK done\r\n"} << afterLogout << 7 << 7
            << QStringList{"* 5 EXISTS", "A002 OK done", "", "A004 LOGOUT"};
        QTest::newRow("greeting split, even an untagged BYE is a greeting")
            << scripted << Chunks{"* BYE not", " really\r\n"} << loginOk << examine3 << afterLogout << 0 << 3
            << QStringList{"* BYE not", "A001 LOGIN eins"};

        QTest::newRow("silent server")
            << scripted << Chunks{} << loginOk << examine3 << afterLogout << 5 << -1
            << QStringList{timeout, ""};
        QTest::newRow("greeting without line end, then silence")
            << scripted << Chunks{"* OK"} << Chunks{} << examine3 << afterLogout << 0 << -1
            << QStringList{"* OK", "A001 LOGIN eins", timeout, ""};
        QTest::newRow("NO to LOGIN")
            << scripted << hello << Chunks{"A001 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n"} << examine3 << afterLogout << 0 << -1
            << QStringList{"A001 NO [AUTHENTICATIONFAILED] Authentication failed.", "", timeout, ""};
        QTest::newRow("BAD to EXAMINE")
            << scripted << hello << loginOk << Chunks{"A002 BAD Error in IMAP command EXAMINE\r\n"} << afterLogout << 0 << -1
            << QStringList{"A002 BAD Error in IMAP command EXAMINE", "", timeout, ""};
        QTest::newRow("garbage, shown as Latin-1")
            << scripted << hello << Chunks{QByteArray("\xff\xfe\x00\x01 A001 OK\r\n\x80", 15)} << examine3 << afterLogout << 0 << -1
            << QStringList{QString::fromLatin1("\xff\xfe\x00\x01 A001 OK", 12), QString::fromLatin1("\x80"), timeout, ""};
        QTest::newRow("close after LOGIN without answer")
            << scripted << hello << Chunks{} << examine3 << QByteArray("A001") << 0 << -1
            << QStringList{"A001 LOGIN eins", timeout, ""};
        QTest::newRow("close right after the greeting")
            << scripted << hello << loginOk << examine3 << QByteArray() << 0 << -1
            << QStringList{"A001 LOGIN eins", timeout, ""};
        QTest::newRow("refused port")
            << Server::Refused << Chunks{} << Chunks{} << Chunks{} << afterLogout << 0 << -1
            << QStringList{timeout, ""};
        QTest::newRow("unknown host")
            << Server::UnknownHost << Chunks{} << Chunks{} << Chunks{} << afterLogout << 0 << -1
            << QStringList{"Connecting to " + UnknownHost + ":143", timeout, ""};
    }
    void firstAccountOutcome() {
        QFETCH(Server, kind);
        QFETCH(Chunks, greeting);
        QFETCH(Chunks, login);
        QFETCH(Chunks, examine);
        QFETCH(QByteArray, closeAfter);
        QFETCH(int, countBefore);
        QFETCH(int, count);
        QFETCH(QStringList, shown);

        ScriptedImapServer first;
        first.setGreeting(greeting);
        first.setReply("A001", login);
        first.setReply("A002", examine);
        first.setCloseAfter(closeAfter);
        ScriptedImapServer second;
        second.setRecent(2);

        const QString host = kind == Server::UnknownHost ? UnknownHost : QStringLiteral("127.0.0.1");
        const int port = kind == Server::Refused ? ClosedPort() : kind == Server::UnknownHost ? 143 : first.port();
        addAccount(MakeAccount(QStringLiteral("eins@example.org"), host, port, QStringLiteral("eins")));
        addAccount(QStringLiteral("zwei@example.org"), second, QStringLiteral("zwei"), QStringLiteral("zwei"));
        Accounts[1].NewMailCount = qint16(countBefore);

        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(int(Accounts[1].NewMailCount), count);
        QCOMPARE(Accounts[2].NewMailCount, qint16(2));
        QVERIFY(idle());
        QVERIFY2(ContainsRun(protocol, shown), qPrintable(protocol.join(QStringLiteral(" | "))));

        const qsizetype secondConnect = protocol.indexOf(connecting(second));
        QVERIFY(secondConnect > 0);
        const qsizetype timeout = protocol.indexOf(QStringLiteral("TIMEOUT OCCURED, Account: eins@example.org"));
        const QByteArray errorLog = env->read("error.log");
        if (count == -1) {
            // The watchdog ended the account: its two entries come right before the next connection.
            QCOMPARE(timeout, secondConnect - 2);
            QCOMPARE(protocol.at(timeout + 1), QString());
            QVERIFY(errorLog.endsWith(",0,\"\",\"Timeout bei Account eins@example.org\"\r\n"));
        } else {
            QCOMPARE(timeout, -1);
            QVERIFY(errorLog.isEmpty());
            QCOMPARE(protocol.mid(secondConnect - 4, 4),
                     (QStringList{"A004 LOGOUT", "* BYE Logging out", "A004 OK Logout completed.", ""}));
            QVERIFY(first.commands().contains("A002 EXAMINE INBOX"));
        }

        const QByteArray socketLog = env->read("winsock_error.log");
        if (kind == Server::Scripted) {
            QVERIFY2(socketLog.isEmpty(), socketLog.constData());
        } else {
            // One line: date and time, Qt's error number, its description.
            const int number = kind == Server::Refused ? QAbstractSocket::ConnectionRefusedError : QAbstractSocket::HostNotFoundError;
            const QRegularExpression line(QStringLiteral("^#\\d{4}-\\d\\d-\\d\\d( \\d\\d:\\d\\d:\\d\\d)?#,%1,\"[^\"]+\"\r\n$").arg(number));
            QVERIFY2(line.match(QString::fromUtf8(socketLog)).hasMatch(), socketLog.constData());
        }
        QVERIFY(errorBoxes.isEmpty());
    }

    void passwordNeverLeavesTheDialogue() {
        ScriptedImapServer friendly;
        ScriptedImapServer refusing;
        refusing.setReply("A001", {"A001 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n"});
        ScriptedImapServer silent;
        silent.setGreeting({});
        addAccount(QStringLiteral("a@example.org"), friendly, QStringLiteral("maria"));
        addAccount(QStringLiteral("b@example.org"), refusing, QStringLiteral("maria"));
        addAccount(MakeAccount(QStringLiteral("c@example.org"), QStringLiteral("127.0.0.1"), ClosedPort(), QStringLiteral("maria")));
        addAccount(QStringLiteral("d@example.org"), silent, QStringLiteral("maria"));
        cycle->SetAlertDispatcher([this] {
            ++alerts;
            throw RuntimeError::typeMismatch();
        });
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);

        // The server got it, quoted because of the blanks ...
        QCOMPARE(friendly.commands().first(), QByteArray("A001 LOGIN maria \"Geheim Wort 42\""));
        // ... and nothing else shows it.
        QVERIFY(protocol.contains(QStringLiteral("A001 LOGIN maria")));
        QVERIFY(!protocol.join('\n').contains(Password));
        QVERIFY(!env->read("error.log").isEmpty());
        QVERIFY(!env->read("winsock_error.log").isEmpty());
        QVERIFY(!env->read("error.log").contains(Password.toUtf8()));
        QVERIFY(!env->read("winsock_error.log").contains(Password.toUtf8()));
        QCOMPARE(errorBoxes.size(), 1);
        QVERIFY(!errorBoxes.first().contains(Password));
    }

    // A cycle is running at the moment of the manual check or the tick; nothing new may start.
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
        addAccount(QStringLiteral("eins@example.org"), first, QStringLiteral("eins"), QStringLiteral("passwort-eins"));
        addAccount(QStringLiteral("zwei@example.org"), second, QStringLiteral("zwei"), QStringLiteral("passwort-zwei"));

        cycle->StartMonitoring();
        if (greetsLate) {
            QTRY_VERIFY(protocol.contains(connecting(second)));
            QCOMPARE(cycle->CheckInProgress, qint16(0));
        } else {
            QTRY_COMPARE(second.commands().size(), 1);
            QCOMPARE(cycle->CheckInProgress, qint16(1));
        }
        const QStringList before = protocol;
        cycle->CheckNow();
        QCOMPARE(cycle->MinuteCounter, qint16(0));
        Settings.KontrollIntervall = 1;  // a minute tick that reaches the interval
        cycle->Timer1_Timer();
        QCOMPARE(cycle->MinuteCounter, qint16(0));
        QCOMPARE(cycle->CurrentAccount, qint16(2));
        QCOMPARE(protocol, before);
        QVERIFY(cycle->CycleRunning());

        if (greetsLate) {
            second.setReply("A001", {"A001 OK Logged in\r\n"});
            second.sendToAll("* OK late\r\n");
        } else {
            second.sendToAll("A001 OK Logged in\r\n");
        }
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(1));
        QCOMPARE(Accounts[2].NewMailCount, qint16(4));
        QCOMPARE(first.connectionCount(), 1);
        QCOMPARE(second.connectionCount(), 1);
        QCOMPARE(second.commands().first(), QByteArray("A001 LOGIN zwei passwort-zwei"));
        for (const QByteArray& command : second.commands())
            QVERIFY(!command.contains("passwort-eins"));
    }

    // The settings or the import dialog reload a shorter list while account 2 is checked.
    void shorterListLoadedDuringTheCycle_data() {
        QTest::addColumn<bool>("greetAfterReload");
        QTest::newRow("the watchdog ends the removed account") << false;
        QTest::newRow("the greeting arrives for a removed account") << true;
    }
    void shorterListLoadedDuringTheCycle() {
        QFETCH(bool, greetAfterReload);
        ScriptedImapServer first;
        ScriptedImapServer second;
        second.setGreeting({});
        ScriptedImapServer third;
        addAccount(QStringLiteral("eins@example.org"), first, QStringLiteral("eins"));
        SaveAccounts();  // the store holds only account 1
        addAccount(QStringLiteral("zwei@example.org"), second, QStringLiteral("zwei"), QStringLiteral("passwort-zwei"));
        addAccount(QStringLiteral("drei@example.org"), third, QStringLiteral("drei"));

        cycle->StartMonitoring();
        QTRY_VERIFY(protocol.contains(connecting(second)));
        LoadAccounts();
        QCOMPARE(AccountCount(), 1);
        if (greetAfterReload)
            second.sendToAll("* OK ready\r\n");

        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QVERIFY(idle());
        QCOMPARE(AccountCount(), 1);
        QCOMPARE(third.connectionCount(), 0);
        QVERIFY(second.commands().isEmpty());
        QVERIFY(!protocol.join('\n').contains(QStringLiteral("TIMEOUT")));
        QVERIFY(errorBoxes.isEmpty());
    }

    void reloadedSlotOfAnotherServerGetsItsOwnConnection() {
        ScriptedImapServer first;
        ScriptedImapServer second;
        second.setGreeting({});
        ScriptedImapServer third;
        third.setRecent(6);
        addAccount(QStringLiteral("eins@example.org"), first, QStringLiteral("eins"));
        addAccount(QStringLiteral("drei@example.org"), third, QStringLiteral("drei"), QStringLiteral("passwort-drei"));
        SaveAccounts();  // the store: account 2 lives on the third server
        Accounts.insert(2, MakeAccount(QStringLiteral("zwei@example.org"), QStringLiteral("127.0.0.1"), second.port(),
                                       QStringLiteral("zwei"), QStringLiteral("passwort-zwei")));

        cycle->StartMonitoring();
        QTRY_VERIFY(protocol.contains(connecting(second)));
        LoadAccounts();
        second.sendToAll("* OK ready\r\n");

        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QVERIFY(second.commands().isEmpty());
        QCOMPARE(third.commands().first(), QByteArray("A001 LOGIN drei passwort-drei"));
        QCOMPARE(Accounts[2].NewMailCount, qint16(6));
    }

    void minuteTicksStartCyclesAtTheInterval_data() {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("ticksToNextCycle");
        QTest::newRow("every fifth tick") << 5 << 5;
        QTest::newRow("interval 1: every tick") << 1 << 1;
        QTest::newRow("interval 0: every tick") << 0 << 1;
        QTest::newRow("highest interval") << 32767 << 32767;
    }
    void minuteTicksStartCyclesAtTheInterval() {
        QFETCH(int, interval);
        QFETCH(int, ticksToNextCycle);
        Settings.KontrollIntervall = qint16(interval);
        ScriptedImapServer server;
        addAccount(QStringLiteral("eins@example.org"), server, QStringLiteral("eins"));
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(server.connectionCount(), 1);

        for (int tick = 1; tick < ticksToNextCycle; ++tick)
            cycle->Timer1_Timer();
        QCOMPARE(int(cycle->MinuteCounter), ticksToNextCycle - 1);
        QVERIFY(!cycle->CycleRunning());
        cycle->Timer1_Timer();
        QVERIFY(cycle->CycleRunning());
        QVERIFY(!cycle->Timer1()->isActive());
        QCOMPARE(cycle->MinuteCounter, qint16(0));
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 2, CycleTimeoutMs);
        QCOMPARE(server.connectionCount(), 2);
        QVERIFY(errorBoxes.isEmpty());
    }

    void withoutAccountsNothingHappens() {
        cycle->StartMonitoring();
        QCOMPARE(cycle->MinuteCounter, qint16(0));
        QVERIFY(cycle->Timer1()->isActive());
        cycle->Timer1_Timer();
        QCOMPARE(cycle->MinuteCounter, qint16(1));
        cycle->CheckNow();
        QCOMPARE(cycle->MinuteCounter, qint16(0));
        QVERIFY(protocol.isEmpty());
        QVERIFY(!cycle->CycleRunning());
        QCOMPARE(alerts, 0);
    }

    void minuteTimerRunsByItself() {
        CheckCycle ticking(nullptr, CheckCycle::Intervals{20, WatchdogMs});
        Settings.KontrollIntervall = 3;
        ticking.StartMinuteTimer();
        QCOMPARE(ticking.MinuteCounter, qint16(0));
        QTRY_VERIFY(ticking.MinuteCounter >= 2);
        QVERIFY(ticking.Timer1()->isActive());
        QCOMPARE(ticking.Timer1()->interval(), 20);
    }

    void dispatchErrorsAreReportedByTheFinishingHandler_data() {
        QTest::addColumn<bool>("lastAccountSilent");
        QTest::addColumn<QString>("context");
        QTest::newRow("finished by the data arrival") << false << "Winsock1_DataArrival()";
        QTest::newRow("finished by the watchdog") << true << "Timer2_Timer()";
    }
    void dispatchErrorsAreReportedByTheFinishingHandler() {
        QFETCH(bool, lastAccountSilent);
        QFETCH(QString, context);
        ScriptedImapServer server;
        if (lastAccountSilent)
            server.setGreeting({});
        addAccount(QStringLiteral("eins@example.org"), server, QStringLiteral("eins"));
        cycle->SetAlertDispatcher([this] {
            ++alerts;
            throw RuntimeError::overflow();
        });
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(errorBoxes.size(), 1, CycleTimeoutMs);
        QVERIFY(errorBoxes.first().contains(QStringLiteral("Fehler Nr. 6")));
        QVERIFY(env->read("error.log").endsWith((",6,\"" + QStringLiteral("Überlauf") + "\",\"" + context + "\"\r\n").toUtf8()));
        QVERIFY(idle());
    }

    // The socket refuses to connect (it is still busy): the minute tick reports it, Timer1 stays off
    // and no watchdog runs; a manual check later works.
    void failingConnectIsReportedByTheMinuteTick() {
        ScriptedImapServer server;
        server.setRecent(3);
        ScriptedImapServer other;
        addAccount(QStringLiteral("eins@example.org"), server, QStringLiteral("eins"));
        cycle->Winsock1()->Connect(QStringLiteral("127.0.0.1"), other.port());
        cycle->StartMonitoring();
        QCOMPARE(errorBoxes.size(), 1);
        QVERIFY(errorBoxes.first().contains(QStringLiteral("Fehler Nr. 40020")));
        QVERIFY(env->read("error.log").endsWith("\"Timer1_Timer()\"\r\n"));
        QVERIFY(!cycle->Timer1()->isActive());
        QVERIFY(!cycle->CycleRunning());

        cycle->Winsock1()->Close();
        cycle->CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
        QVERIFY(idle());
    }
};

QTEST_GUILESS_MAIN(TestCheckCycle)
#include "tst_checkcycle.moc"
