#include "check/checkcycle.h"
#include "core/account.h"
#include "core/errorlog.h"
#include "dovecotserver.h"
#include "testenvironment.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>
#include <QtTest>
#include <memory>

namespace {
// Long enough that a busy machine never times out a good dialogue; the failing cases use less.
const int RelaxedWatchdogMs = 5000;
const int CycleTimeoutMs = 20000;
}  // namespace

// The check cycle against a real IMAP server: a private Dovecot on 127.0.0.1.
class TestCheckDovecot : public QObject {
    Q_OBJECT
    DovecotServer dovecot;
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<CheckCycle> cycle;
    QStringList protocol;
    int alerts = 0;

    void addAccount(const QString& user, const QString& password, const QString& mailbox = QStringLiteral("INBOX")) {
        Account account;
        account.EMail = user + QStringLiteral("@example.org");
        account.Server = dovecot.host();
        account.Port = qint16(dovecot.port());
        account.Username = user;
        account.Password = password;
        account.Mailbox = mailbox;
        Accounts.append(account);
    }
    void makeCycle(int watchdogMs) {
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, watchdogMs});
        cycle->SetProtocolSink([this](const QString& text) { protocol << text; });
        cycle->SetAlertDispatcher([this] { ++alerts; });
    }
    QString connecting() const { return QStringLiteral("Connecting to 127.0.0.1:") + QString::number(dovecot.port()); }

private slots:
    void initTestCase() {
        QElapsedTimer clock;
        clock.start();
        const bool started = dovecot.start({
            {QStringLiteral("maria"), QStringLiteral("geheim"), 3},
            {QStringLiteral("lena"), QStringLiteral("geheim"), 1},
            {QStringLiteral("jan"), QStringLiteral("zwei Worte"), 1},
            {QStringLiteral("ole"), QStringLiteral("Sonder\"zeichen\\ (%*) {1}"), 2},
            {QString::fromUtf8("jürgen"), QString::fromUtf8("Käse"), 4},
            {QStringLiteral("paul"), QStringLiteral("geheim"), 0,
             {{QStringLiteral("Sent Items"), 2}, {QStringLiteral("Entw&APw-rfe"), 5}}},
        });
        QVERIFY2(started, qPrintable(dovecot.errorString()));
        qInfo("Dovecot started in %lld ms on port %d", qint64(clock.elapsed()), int(dovecot.port()));
    }

    void init() {
        env = std::make_unique<TestEnvironment>();
        protocol.clear();
        alerts = 0;
        makeCycle(RelaxedWatchdogMs);
    }
    void cleanup() {
        if (QTest::currentTestFailed())
            qInfo("%s", qPrintable(dovecot.log().right(3000)));
        cycle.reset();
        env.reset();
    }

    void oneAccountReportsItsRealRecentCount() {
        addAccount(QStringLiteral("lena"), QStringLiteral("geheim"));
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(1));
        QVERIFY(protocol.at(1).startsWith(QStringLiteral("* OK [CAPABILITY ")));
        QVERIFY(protocol.at(1).endsWith(QStringLiteral("ready.")));
        QVERIFY(protocol.contains(QStringLiteral("* 1 RECENT")));
        QCOMPARE(protocol.last(), QString());
        QVERIFY(protocol.at(protocol.size() - 2).startsWith(QStringLiteral("A004 OK")));
        QVERIFY(env->read("error.log").isEmpty());

        // Examining does not clear the recent flag: the next check sees the old mail and the new.
        dovecot.addRecent(QStringLiteral("lena"), 2);
        cycle->CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 2, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
    }

    void threeAccountsOneAfterAnother() {
        addAccount(QStringLiteral("maria"), QStringLiteral("geheim"));
        addAccount(QStringLiteral("jan"), QStringLiteral("zwei Worte"));
        addAccount(QStringLiteral("ole"), QStringLiteral("Sonder\"zeichen\\ (%*) {1}"));
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
        QCOMPARE(Accounts[2].NewMailCount, qint16(1));
        QCOMPARE(Accounts[3].NewMailCount, qint16(2));
        QVERIFY(cycle->Timer1()->isActive());
        QVERIFY(!cycle->Timer2()->isActive());

        // Each connection is asked for after the previous account's logout was confirmed.
        QList<qsizetype> connects;
        QList<qsizetype> logoutsConfirmed;
        for (qsizetype i = 0; i < protocol.size(); ++i) {
            if (protocol.at(i) == connecting())
                connects << i;
            if (protocol.at(i).startsWith(QStringLiteral("A004 OK")))
                logoutsConfirmed << i;
        }
        QCOMPARE(connects.size(), 3);
        QCOMPARE(logoutsConfirmed.size(), 3);
        QVERIFY(connects[0] < logoutsConfirmed[0]);
        QVERIFY(logoutsConfirmed[0] < connects[1] && connects[1] < logoutsConfirmed[1]);
        QVERIFY(logoutsConfirmed[1] < connects[2] && connects[2] < logoutsConfirmed[2]);
        // The LOGIN entries in the same order, without the passwords.
        QStringList logins;
        for (const QString& entry : protocol) {
            if (entry.startsWith(QStringLiteral("A001 LOGIN ")))
                logins << entry;
        }
        QCOMPARE(logins, (QStringList{"A001 LOGIN maria", "A001 LOGIN jan", "A001 LOGIN ole"}));
    }

    void valuesThatAreNotAtoms_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("mailbox");
        QTest::addColumn<int>("count");
        QTest::newRow("password with a blank") << "jan" << "zwei Worte" << "INBOX" << 1;
        QTest::newRow("password with quote, backslash, parentheses, braces")
            << "ole" << "Sonder\"zeichen\\ (%*) {1}" << "INBOX" << 2;
        QTest::newRow("umlauts in user name and password") << QString::fromUtf8("jürgen") << QString::fromUtf8("Käse") << "INBOX" << 4;
        QTest::newRow("mailbox with a blank") << "paul" << "geheim" << "Sent Items" << 2;
        QTest::newRow("mailbox with an umlaut") << "paul" << "geheim" << QString::fromUtf8("Entwürfe") << 5;
    }
    void valuesThatAreNotAtoms() {
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, mailbox);
        QFETCH(int, count);
        addAccount(user, password, mailbox);
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(int(Accounts[1].NewMailCount), count);
        QVERIFY(protocol.contains(QStringLiteral("A002 EXAMINE ") + mailbox));
        QVERIFY(!protocol.join('\n').contains(password));
    }

    void refusedLoginOrMailboxFailsAndTheCycleGoesOn_data() {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("mailbox");
        QTest::newRow("wrong password") << "falsch" << "INBOX";
        QTest::newRow("no such mailbox") << "geheim" << "Gibt es nicht";
    }
    void refusedLoginOrMailboxFailsAndTheCycleGoesOn() {
        QFETCH(QString, password);
        QFETCH(QString, mailbox);
        makeCycle(800);
        addAccount(QStringLiteral("maria"), password, mailbox);
        addAccount(QStringLiteral("jan"), QStringLiteral("zwei Worte"));
        cycle->StartMonitoring();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, CycleTimeoutMs);
        QCOMPARE(Accounts[1].NewMailCount, qint16(-1));
        QCOMPARE(Accounts[2].NewMailCount, qint16(1));
        QVERIFY(protocol.contains(QStringLiteral("TIMEOUT OCCURED, Account: maria@example.org")));
        QVERIFY(env->read("error.log").endsWith(",0,\"\",\"Timeout bei Account maria@example.org\"\r\n"));
        QVERIFY(!protocol.join('\n').contains(QStringLiteral("falsch")));
    }

    void fixtureStopsItsServerAtOnce() {
        DovecotServer other;
        QVERIFY2(other.start({{QStringLiteral("x"), QStringLiteral("y")}}), qPrintable(other.errorString()));
        const quint16 port = other.port();
        QVERIFY(port != dovecot.port());
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), port);
        QVERIFY(probe.waitForReadyRead(5000));
        QVERIFY(probe.readAll().startsWith("* OK"));
        probe.abort();
        other.stop();
        probe.connectToHost(QStringLiteral("127.0.0.1"), port);
        QVERIFY(!probe.waitForConnected(2000));
        QCOMPARE(probe.error(), QAbstractSocket::ConnectionRefusedError);
    }
};

QTEST_GUILESS_MAIN(TestCheckDovecot)
#include "tst_checkdovecot.moc"
