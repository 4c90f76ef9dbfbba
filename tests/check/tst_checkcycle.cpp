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
const QString NoStartTls = QStringLiteral("Server bietet keine verschlüsselte Verbindung (STARTTLS) an");
QString Connecting(quint16 port) { return QStringLiteral("Connecting to 127.0.0.1:%1").arg(port); }

// How a scripted server behaves; by default it greets and has 3 recent messages.
struct Script {
    Chunks greeting{"* OK ready\r\n"};
    Chunks login{"A001 OK Logged in\r\n"};
    Chunks examine{"* 3 RECENT\r\nA002 OK done\r\n"};
    QByteArray closeAfter = "A004";
    bool refused = false;  // nothing listens at the account's port
    qint16 encryption = 0;
    Chunks startTls{};
};
Script Login(const Chunks& reply) { return Script{Script().greeting, reply}; }
Script Examine(const Chunks& reply) { return Script{Script().greeting, Script().login, reply}; }
Script Encrypted(qint16 encryption, const Chunks& startTls, const Chunks& greeting = Script().greeting) {
    return Script{greeting, {}, {}, "A004", false, encryption, startTls};
}
// An EXAMINE reply with UIDVALIDITY 7 and this UIDNEXT (0: none).
Chunks ExamineUid(int uidNext) {
    const QByteArray next = uidNext ? "* OK [UIDNEXT " + QByteArray::number(uidNext) + "] y\r\n" : QByteArray();
    return {"* 0 RECENT\r\n* OK [UIDVALIDITY 7] x\r\n" + next + "A002 OK [READ-ONLY] done\r\n"};
}
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
    void makeCycle(CheckCycle::Intervals intervals) {
        cycle = std::make_unique<CheckCycle>(nullptr, intervals);
        cycle->SetProtocolSink([this](const QString& text) { protocol << text; });
        cycle->SetAlertDispatcher([this] {
            QVERIFY(idle());  // the alert comes after Timer1 is on again and Timer2 off
            ++alerts;
        });
    }
    // One cycle to its end; the commands the server received in it, from its LOGIN on (the LOGOUT
    // of a check that ended at once may reach the server only after the next one has begun).
    QList<QByteArray> check(const ScriptedImapServer& server) {
        cycle->CheckNow();
        [&] { QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs); }();
        alerts = 0;
        return server.commands().mid(server.commands().lastIndexOf("A001 LOGIN maria geheim"));
    }

private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        makeCycle(CheckCycle::Intervals{60000, 400});
        protocol.clear();
        errorBoxes.clear();
        alerts = 0;
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
        QTest::addColumn<int>("count");           // 7 before the check
        QTest::addColumn<QByteArray>("tags");     // of the commands the first server received
        QTest::addColumn<QString>("failure");     // the account's CheckFailure; empty: checked
        QTest::addColumn<QString>("logged");      // error.log's text and the protocol entry's start
        const QByteArray all = "A001 A002 A004";
        const QString none;
        auto failed = [](const char* name, const Script& script, const QByteArray& tags, const QString& failure, const QString& logged) {
            QTest::newRow(name) << script << -1 << tags << failure << logged;
        };
        QTest::newRow("EXAMINE without RECENT gives 0") << Examine({"* 5 EXISTS\r\nA002 OK done\r\n"}) << 0 << all << none << none;
        QTest::newRow("count before LOGIN is answered is ignored")
            << Script{{"* OK ready\r\n* 9 RECENT\r\n"}, {"* 8 RECENT\r\nA001 OK\r\n"}, {"A002 OK done\r\n"}} << 0 << all << none << none;
        QTest::newRow("repeated A001 OK sends nothing more") << Login({"A001 OK\r\n", "A001 OK\r\n", "A001 OK\r\n"}) << 3 << all << none << none;
        QTest::newRow("close after the count, before A004 OK") << Script{Script().greeting, Script().login, Script().examine, "A002"}
                                                               << 3 << QByteArray("A001 A002") << none << none;
        failed("silent server", Script{{}}, "", "Zeitüberschreitung", "Timeout bei Account eins@example.org");
        failed("NO to LOGIN", Login({"A001 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n"}), "A001 A004", "Anmeldung abgelehnt",
               "Anmeldung abgelehnt, Account eins@example.org: [AUTHENTICATIONFAILED] Authentication failed.");
        failed("NO to EXAMINE", Examine({"A002 NO [NONEXISTENT] Mailbox doesn't exist\r\n"}), "A001 A002 A004", "Postfach abgelehnt",
               "Postfach abgelehnt, Account eins@example.org: [NONEXISTENT] Mailbox doesn't exist");
        failed("greeting BYE", Script{{"* BYE Too many connections\r\n"}}, "", "Verbindung abgelehnt",
               "Verbindung abgelehnt, Account eins@example.org: Too many connections");
        failed("LOGINDISABLED in the greeting", Script{{"* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n"}}, "A004",
               "Anmeldung nur verschlüsselt",
               QString::fromUtf8("Der Server nimmt die Anmeldung nur über eine verschlüsselte Verbindung an, Account"));
        failed("close after LOGIN", Script{Script().greeting, {}, {}, "A001"}, "A001", "Verbindung beendet",
               "Verbindung vom Server beendet, Account");
        failed("endless data", Login({QByteArray(700000, 'x'), QByteArray(700000, 'x')}), "A001", "Zu viele Daten",
               "Zu viele Daten vom Server (mehr als 1 MB ohne Ende des Dialogs), Account");
        failed("refused port", Script{{}, {}, {}, {}, true}, "", "Verbindung abgelehnt", "Verbindung abgelehnt, Account eins@example.org: ");
        // No LOGIN without the encryption the account asks for.
        failed("STARTTLS refused", Encrypted(1, {"A000 NO not now\r\n"}), "A000 A004", NoStartTls,
               NoStartTls + ", Account eins@example.org: not now");
        failed("STARTTLS unanswered", Encrypted(1, {}), "A000", NoStartTls, "Timeout bei Account eins@example.org");
        // The plain text after the consent is dropped; the handshake gets no answer: the watchdog.
        failed("STARTTLS agreed, no handshake", Encrypted(1, {"A000 OK go ahead\r\n* OK plain text\r\n"}), "A000",
               "Zeitüberschreitung", "Timeout bei Account eins@example.org");
        // Logged in before TLS: STARTTLS can no longer be asked for, and nothing goes on in plain text.
        failed("STARTTLS, PREAUTH greeting", Encrypted(1, {}, {"* PREAUTH [CAPABILITY IMAP4rev1 STARTTLS] Hallo\r\n"}),
               "A004", NoStartTls, NoStartTls + ", Account eins@example.org: ");
        failed("SSL/TLS to a plain server", Encrypted(2, {}), "", "Verbindungsfehler",
               "Verbindungsfehler, Account eins@example.org: ");
    }
    void firstAccountOutcome() {
        QFETCH(Script, script);
        QFETCH(int, count);
        QFETCH(QByteArray, tags);
        QFETCH(QString, failure);
        QFETCH(QString, logged);
        ScriptedImapServer first;
        first.setGreeting(script.greeting);
        first.setReply("A001", script.login);
        first.setReply("A002", script.examine);
        first.setReply("A000", script.startTls);
        first.setCloseAfter(script.closeAfter);
        ScriptedImapServer second;
        second.setRecent(2);
        add(QStringLiteral("eins"), script.refused ? FreeLocalPort() : first.port());
        add(QStringLiteral("zwei"), second.port());
        Accounts[1].Verschluesselung = script.encryption;
        Accounts[1].NewMailCount = 7;
        Accounts[1].CheckFailure = QStringLiteral("alt");
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
        QCOMPARE(Accounts[1].CheckFailure, failure);
        QCOMPARE(Accounts[2].NewMailCount, qint16(2));
        QList<QByteArray> sent;
        for (const QByteArray& command : first.commands()) {
            if (command.startsWith("A0"))  // not the bytes of a refused handshake
                sent << command.left(4);
        }
        QCOMPARE(sent.join(' '), tags);
        const qsizetype next = protocol.indexOf(Connecting(second.port()));
        if (failure.isEmpty()) {
            QVERIFY(errorLog.isEmpty() && !protocol.contains(Timeout));
        } else {
            // The account ended at once (or by the watchdog): its two entries come right before
            // the next connection, and error.log holds the reason with the server's own text.
            const QString entry =
                logged.startsWith("Timeout") ? Timeout : logged.section(',', 0, 0) + ", Account: eins@example.org";
            QCOMPARE(protocol.mid(next - 2, 2), (QStringList{entry, ""}));
            QVERIFY2(QString::fromUtf8(errorLog).contains(",0,\"\",\"" + logged), errorLog.constData());
        }
        for (const QString& entry : protocol)
            QVERIFY(entry.size() <= Imap::MaxProtocolBytes + 100);
        // The refusal, and nothing else, is one line with the Winsock number of a refused connection.
        const QByteArray socketLog = env->read("winsock_error.log");
        QCOMPARE(socketLog.count('\n') == 1 && socketLog.contains(",10061,\""), script.refused);
        // The password (with blanks) went to the server quoted, and nowhere else.
        if (tags.startsWith("A001"))
            QCOMPARE(first.commands().value(0), QByteArray("A001 LOGIN eins \"Geheim Wort 42\""));
        QCOMPARE(errorBoxes.size(), 1);
        QVERIFY(errorBoxes.first().contains(QStringLiteral("Fehler Nr. 13")));
        for (const QString& shown : {protocol.join('\n'), errorBoxes.first(), QString(errorLog + env->read("error.log") + socketLog)})
            QVERIFY(!shown.contains(Password));
    }

    // Every account has the full watchdog time from its own connect, and no more than its limit
    // however busy its server keeps it.
    void watchdogAndLimitPerAccount() {
        ScriptedImapServer first;  // takes most of the watchdog time to answer LOGOUT
        first.setReply("A004", {"* BYE\r\n", "", "", "", "", "", "", "", "", "", "A004 OK\r\n"});
        ScriptedImapServer second;  // greets late, but well within a watchdog time
        second.setGreeting({"", "", "", "", "* OK ready\r\n"});
        second.setRecent(5);
        ScriptedImapServer third;  // each reply within the watchdog, the whole beyond the limit
        const Chunks tenPauses(10, QByteArray());
        third.setGreeting(tenPauses + Chunks{"* OK ready\r\n"});
        third.setReply("A001", tenPauses + Chunks{"A001 OK\r\n"});
        third.setRecent(6);
        add(QStringLiteral("eins"), first.port());
        add(QStringLiteral("zwei"), second.port());
        add(QStringLiteral("drei"), third.port());
        makeCycle(CheckCycle::Intervals{60000, 400, 500});
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE((QList<int>{Accounts[1].NewMailCount, Accounts[2].NewMailCount, Accounts[3].NewMailCount}), (QList<int>{0, 5, -1}));
        QCOMPARE(Accounts[3].CheckFailure, QStringLiteral("Zeitüberschreitung"));
    }

    // While a cycle runs (here between account 2's connect and its greeting) neither the manual
    // check nor the minute tick starts another; afterwards the tick that reaches the interval does.
    void minuteTicksAndNoSecondCycle() {
        ScriptedImapServer first;
        ScriptedImapServer second;
        second.setRecent(4);
        second.setGreeting({});
        add(QStringLiteral("eins"), first.port(), QStringLiteral("passwort-eins"));
        add(QStringLiteral("zwei"), second.port(), QStringLiteral("passwort-zwei"));

        cycle->StartMonitoring();
        QTRY_VERIFY(protocol.contains(Connecting(second.port())));
        const QStringList before = protocol;
        cycle->CheckNow();
        Settings.KontrollIntervall = 1;  // a minute tick that reaches the interval
        cycle->Timer1_Timer();
        QCOMPARE(protocol, before);
        QVERIFY(cycle->CycleRunning());

        second.sendToAll("* OK late\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[2].NewMailCount, qint16(4));
        QCOMPARE(first.connectionCount(), 1);
        QCOMPARE(second.connectionCount(), 1);
        QCOMPARE(second.commands().first(), QByteArray("A001 LOGIN zwei passwort-zwei"));

        Settings.KontrollIntervall = 2;
        cycle->Timer1_Timer();
        QVERIFY(!cycle->CycleRunning());
        cycle->Timer1_Timer();
        QVERIFY(cycle->CycleRunning() && !cycle->Timer1()->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 2, CycleTimeoutMs);
        QCOMPARE(first.connectionCount(), 2);
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

    // Counting unseen mail: the first check learns the mailbox (UIDNEXT 20) and counts 0 without
    // searching; the second searches from 20 (its reply split across arrivals); the third from the
    // UIDNEXT of the second. (A UID below n in the reply: tst_checkdovecot.) The data folder is a
    // regular file here: the state cannot be written, which error.log says once, and counting goes
    // on from memory.
    void unseenFromTheRememberedUidNext() {
        ScriptedImapServer server;
        add(QStringLiteral("maria"), server.port(), QStringLiteral("geheim"));
        Accounts[1].Zaehlweise = 1;
        QFile blocker(env->path(QStringLiteral("data")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Accounts[1].NewMailCount = 9;
        server.setReply("A002", ExamineUid(20));
        QCOMPARE(check(server), (QList<QByteArray>{"A001 LOGIN maria geheim", "A002 EXAMINE INBOX", "A004 LOGOUT"}));
        QCOMPARE(Accounts[1].NewMailCount, qint16(0));
        QVERIFY(env->read(QStringLiteral("error.log")).contains("Abfragestand schreiben"));
        QVERIFY(QFile::remove(env->path(QStringLiteral("error.log"))));

        server.setReply("A002", ExamineUid(24));
        server.setReply("A003", {"* SEA", "RCH 2", "0 23 2", "1\r\nA003 O", "K done\r\n"});
        QCOMPARE(check(server).value(2), QByteArray("A003 UID SEARCH UNSEEN UID 20:*"));
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
        QCOMPARE(check(server).value(2), QByteArray("A003 UID SEARCH UNSEEN UID 24:*"));
        QVERIFY(!QFile::exists(env->path(QStringLiteral("error.log"))));
    }

    // A server without UIDNEXT: the first check learns the highest UID from an unseen search, later
    // checks go on from the highest UID seen plus one.
    void unseenWithoutUidNext() {
        ScriptedImapServer server;
        add(QStringLiteral("maria"), server.port(), QStringLiteral("geheim"));
        Accounts[1].Zaehlweise = 1;
        server.setReply("A002", ExamineUid(0));
        server.setReply("A003", {"* SEARCH 4 9\r\nA003 OK done\r\n"});
        QCOMPARE(check(server).value(2), QByteArray("A003 UID SEARCH UNSEEN UID 1:*"));
        QCOMPARE(Accounts[1].NewMailCount, qint16(0));
        server.setReply("A003", {"* SEARCH 12\r\nA003 OK done\r\n"});
        QCOMPARE(check(server).value(2), QByteArray("A003 UID SEARCH UNSEEN UID 10:*"));
        QCOMPARE(Accounts[1].NewMailCount, qint16(1));
        QCOMPARE(check(server).value(2), QByteArray("A003 UID SEARCH UNSEEN UID 13:*"));
    }

    // A check that fails in or after the search remembers nothing: its messages are counted by the
    // next one. A refused search ends the account at once.
    void unseenFailedCheckRemembersNothing_data() {
        QTest::addColumn<Chunks>("search");
        QTest::addColumn<Chunks>("logout");  // empty: silent, the watchdog ends the check
        QTest::newRow("search refused") << Chunks{"A003 NO [SERVERBUG] failed\r\n"} << Chunks{"A004 OK bye\r\n"};
        QTest::newRow("no reply to LOGOUT") << Chunks{"* SEARCH 20 21\r\nA003 OK done\r\n"} << Chunks{};
    }
    void unseenFailedCheckRemembersNothing() {
        QFETCH(Chunks, search);
        QFETCH(Chunks, logout);
        ScriptedImapServer server;
        add(QStringLiteral("maria"), server.port(), QStringLiteral("geheim"));
        Accounts[1].Zaehlweise = 1;
        server.setReply("A002", ExamineUid(20));
        check(server);
        server.setReply("A002", ExamineUid(22));
        server.setReply("A003", search);
        server.setReply("A004", logout);
        server.setCloseAfter("none");
        check(server);
        QCOMPARE(Accounts[1].NewMailCount, qint16(-1));
        server.setReply("A003", {"* SEARCH 20 21\r\nA003 OK done\r\n"});
        server.setReply("A004", {"A004 OK bye\r\n"});
        QCOMPARE(check(server).value(2), QByteArray("A003 UID SEARCH UNSEEN UID 20:*"));
        QCOMPARE(Accounts[1].NewMailCount, qint16(2));
    }

    void minuteTimerTicksByItself() {
        makeCycle(CheckCycle::Intervals{20, 400});
        cycle->StartMinuteTimer();
        QTRY_VERIFY(cycle->MinuteCounter >= 2);
    }
};

QTEST_GUILESS_MAIN(TestCheckCycle)
#include "tst_checkcycle.moc"
