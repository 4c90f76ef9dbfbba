#include "check/checkcycle.h"
#include "core/account.h"
#include "dovecotserver.h"
#include "testenvironment.h"

#include <QTimer>
#include <QtTest>
#include <memory>

// The check cycle against a real IMAP server: a private Dovecot on 127.0.0.1.
class TestCheckDovecot : public QObject {
    Q_OBJECT
    DovecotServer dovecot;
    std::unique_ptr<TestEnvironment> env;
    std::unique_ptr<CheckCycle> cycle;
    QStringList protocol;
    int alerts = 0;

    void add(const QString& user, const QString& password, const QString& mailbox = QStringLiteral("INBOX")) {
        Accounts.append(TestAccount(user, dovecot.port(), password, mailbox));
    }
    // Runs one cycle to its end.
    void check() {
        cycle->CheckNow();
        QTRY_COMPARE_WITH_TIMEOUT(alerts, 1, 20000);
        alerts = 0;
    }

private slots:
    void initTestCase() {
        const bool started = dovecot.start({{"maria", "geheim", 3}, {"jan", "zwei Worte", 1}, {"ole", "Sonder\"zeichen\\ (%*) {1}", 2},
                                            {QString::fromUtf8("jürgen"), QString::fromUtf8("Käse"), 4},
                                            {"paul", "geheim", 0, {{"Entw&APw-rfe", 5}}}});
        QVERIFY2(started, qPrintable(dovecot.errorString()));
    }
    void init() {
        env = std::make_unique<TestEnvironment>();
        protocol.clear();
        alerts = 0;
        // A watchdog long enough that a busy machine never times out a good dialogue.
        cycle = std::make_unique<CheckCycle>(nullptr, CheckCycle::Intervals{60000, 5000});
        cycle->SetProtocolSink([this](const QString& text) { protocol << text; });
        cycle->SetAlertDispatcher([this] { ++alerts; });
    }
    void cleanup() {
        if (QTest::currentTestFailed())
            qInfo("%s", qPrintable(dovecot.log().right(3000)));
        cycle.reset();
        env.reset();
    }

    void oneAccountReportsItsRealRecentCount() {
        add(QStringLiteral("maria"), QStringLiteral("geheim"));
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
        // EXAMINE does not clear the recent flag: the next check sees the old mail and the new.
        dovecot.addRecent(QStringLiteral("maria"), 2);
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(5));
    }

    void threeAccountsOneAfterAnother() {
        add(QStringLiteral("jan"), QStringLiteral("zwei Worte"));
        add(QStringLiteral("ole"), QStringLiteral("Sonder\"zeichen\\ (%*) {1}"));
        add(QStringLiteral("paul"), QStringLiteral("geheim"));
        check();
        QCOMPARE((QList<int>{Accounts[1].NewMailCount, Accounts[2].NewMailCount, Accounts[3].NewMailCount}), (QList<int>{1, 2, 0}));
        // Each connection after the previous account's confirmed logout, the LOGINs in list order.
        QStringList steps = protocol.filter(QRegularExpression(QStringLiteral("^(Connecting|A001 LOGIN|A004 OK)")));
        steps.replaceInStrings(QRegularExpression(QStringLiteral("^(Connecting|A004 OK).*")), QStringLiteral("\\1"));
        QCOMPARE(steps.join(' '), QStringLiteral("Connecting A001 LOGIN jan A004 OK Connecting A001 LOGIN ole A004 OK "
                                                 "Connecting A001 LOGIN paul A004 OK"));
    }

    // UTF-8 user name and password; a mailbox name with an umlaut goes out in modified UTF-7.
    void valuesThatAreNotAtoms() {
        add(QString::fromUtf8("jürgen"), QString::fromUtf8("Käse"));
        add(QStringLiteral("paul"), QStringLiteral("geheim"), QString::fromUtf8("Entwürfe"));
        check();
        QCOMPARE(Accounts[1].NewMailCount, qint16(4));
        QCOMPARE(Accounts[2].NewMailCount, qint16(5));
        QVERIFY(protocol.contains(QString::fromUtf8("A002 EXAMINE Entwürfe")));
    }
};

QTEST_GUILESS_MAIN(TestCheckDovecot)
#include "tst_checkdovecot.moc"
