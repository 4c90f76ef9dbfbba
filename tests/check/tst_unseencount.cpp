// Counting unseen mail since the last check against scripted servers: the replies, the command, what
// is remembered between checks, and a state file that cannot be written.
#include "check/checkcycle.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QtTest>
#include <memory>

using Chunks = ScriptedImapServer::Chunks;

namespace {
Chunks Examine(const QByteArray& codes) { return {"* 0 RECENT\r\n" + codes + "A002 OK [READ-ONLY] done\r\n"}; }
}  // namespace

class TestUnseenCount : public QObject {
    Q_OBJECT
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<CheckCycle> cycle;
    std::unique_ptr<ScriptedImapServer> server;
    int alerts = 0;

    // One cycle to its end; the commands the server received in it, from its LOGIN on (the LOGOUT
    // of a check that ended at once may reach the server only after the next one has begun).
    QList<QByteArray> check() {
        cycle->CheckNow();
        [&] { QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, 10000); }();
        alerts = 0;
        const QList<QByteArray> all = server->commands();
        qsizetype login = all.size();
        while (login > 0 && !all.at(login - 1).startsWith("A001 "))
            --login;
        return all.mid(login > 0 ? login - 1 : all.size());
    }

private slots:
    void init() {
        env = std::make_unique<TestEnvironment>();
        server = std::make_unique<ScriptedImapServer>();
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, 2000});
        cycle->SetAlertDispatcher([this] { ++alerts; });
        Accounts.append(TestAccount(QStringLiteral("maria"), server->port(), QStringLiteral("geheim")));
        Accounts[1].Zaehlweise = 1;
    }
    void cleanup() {
        cycle.reset();
        server.reset();
        env.reset();
    }

    // The first check learns the mailbox (UIDNEXT 20) and counts 0 without searching; the second
    // searches from 20 (its reply split across arrivals); the third from the UIDNEXT of the second.
    // A UID below n in the reply, which a real server sends for the last message, is covered by
    // tst_checkdovecot.
    void searchFromTheRememberedUidNext() {
        Accounts[1].NewMailCount = 9;
        server->setReply("A002", Examine("* OK [UIDVALIDITY 7] x\r\n* OK [UIDNEXT 20] y\r\n"));
        QCOMPARE(check(), (QList<QByteArray>{"A001 LOGIN maria geheim", "A002 EXAMINE INBOX", "A004 LOGOUT"}));
        QCOMPARE(Accounts[1].NewMailCount, qint16(0));

        server->setReply("A002", Examine("* OK [UIDVALIDITY 7] x\r\n* OK [UIDNEXT 24] y\r\n"));
        server->setReply("A003", {"* SEA", "RCH 2", "0 23 2", "1\r\nA003 O", "K done\r\n"});
        QCOMPARE(check().value(2), QByteArray("A003 UID SEARCH UNSEEN UID 20:*"));
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
        QCOMPARE(check().value(2), QByteArray("A003 UID SEARCH UNSEEN UID 24:*"));
    }

    // A server without UIDNEXT: the first check learns the highest UID from an unseen search, later
    // checks go on from the highest UID seen plus one.
    void withoutUidNext() {
        server->setReply("A002", Examine("* OK [UIDVALIDITY 7] x\r\n"));
        server->setReply("A003", {"* SEARCH 4 9\r\nA003 OK done\r\n"});
        QCOMPARE(check().value(2), QByteArray("A003 UID SEARCH UNSEEN UID 1:*"));
        QCOMPARE(Accounts[1].NewMailCount, qint16(0));
        server->setReply("A003", {"* SEARCH 12\r\nA003 OK done\r\n"});
        QCOMPARE(check().value(2), QByteArray("A003 UID SEARCH UNSEEN UID 10:*"));
        QCOMPARE(Accounts[1].NewMailCount, qint16(1));
        QCOMPARE(check().value(2), QByteArray("A003 UID SEARCH UNSEEN UID 13:*"));
    }

    // A check that fails in or after the search remembers nothing: its messages are counted by the
    // next one. A refused search ends the account at once.
    void failedCheckRemembersNothing_data() {
        QTest::addColumn<Chunks>("search");
        QTest::addColumn<Chunks>("logout");  // empty: silent, the watchdog ends the check
        QTest::newRow("search refused") << Chunks{"A003 NO [SERVERBUG] failed\r\n"} << Chunks{"A004 OK bye\r\n"};
        QTest::newRow("no reply to LOGOUT") << Chunks{"* SEARCH 20 21\r\nA003 OK done\r\n"} << Chunks{};
    }
    void failedCheckRemembersNothing() {
        QFETCH(Chunks, search);
        QFETCH(Chunks, logout);
        server->setReply("A002", Examine("* OK [UIDVALIDITY 7] x\r\n* OK [UIDNEXT 20] y\r\n"));
        check();
        server->setReply("A002", Examine("* OK [UIDVALIDITY 7] x\r\n* OK [UIDNEXT 22] y\r\n"));
        server->setReply("A003", search);
        server->setReply("A004", logout);
        server->setCloseAfter("none");
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(-1));
        server->setReply("A003", {"* SEARCH 20 21\r\nA003 OK done\r\n"});
        server->setReply("A004", {"A004 OK bye\r\n"});
        QCOMPARE(check().value(2), QByteArray("A003 UID SEARCH UNSEEN UID 20:*"));
        QCOMPARE(Accounts[1].NewMailCount, qint16(2));
    }

    // The data folder is a regular file: the state cannot be written. That is reported once in
    // error.log, and counting goes on from memory.
    void unwritableStateGoesOnFromMemory() {
        QFile blocker(env->path(QStringLiteral("data")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        server->setReply("A002", Examine("* OK [UIDVALIDITY 7] x\r\n* OK [UIDNEXT 20] y\r\n"));
        server->setReply("A003", {"* SEARCH 20\r\nA003 OK done\r\n"});
        check();
        QVERIFY(env->read(QStringLiteral("error.log")).contains("Abfragestand schreiben"));
        QVERIFY(QFile::remove(env->path(QStringLiteral("error.log"))));
        server->setReply("A002", Examine("* OK [UIDVALIDITY 7] x\r\n* OK [UIDNEXT 21] y\r\n"));
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(1));
        QVERIFY(!QFile::exists(env->path(QStringLiteral("error.log"))));
    }
};

QTEST_GUILESS_MAIN(TestUnseenCount)
#include "tst_unseencount.moc"
