#include "app/program.h"
#include "check/checkcycle.h"
#include "core/account.h"
#include "desktop/desktopevents.h"

#include "privatebus.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QNetworkInformation>
#include <QtTest>

using States = QList<QPair<uint, uint>>;  // NetworkManager's State and Connectivity, one after another

// Stand-ins for logind and NetworkManager on a private system bus, and a check cycle tied to them.
class TestDesktopEvents : public QObject {
    Q_OBJECT
    SystemBusStandIns standIns_;
    DesktopEvents* events_ = nullptr;

private slots:
    void initTestCase() {
        if (!standIns_.start())
            QSKIP("dbus-daemon is not installed (scripts/deps installs it)");
        QVERIFY(standIns_.claimNames());
        events_ = new DesktopEvents(this);
        events_->Start();
        QVERIFY(events_->WatchingSleep());
        QVERIFY(events_->WatchingNetwork());
        QCOMPARE(QNetworkInformation::instance()->reachability(), QNetworkInformation::Reachability::Online);
    }

    // Sleep during a cycle against a silent server ends it without a timeout and without touching
    // the account's count; waking starts a fresh check.
    void sleepEndsTheCycleAndWakingChecks() {
        TestEnvironment env;
        ScriptedImapServer silent;
        silent.setGreeting({});
        Accounts.append(TestAccount(QStringLiteral("maria"), silent.port(), QStringLiteral("geheim")));
        Accounts[1].NewMailCount = 3;
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 5000});
        QStringList protocol;
        int alerts = 0;
        cycle.SetProtocolSink([&](const QString& text) { protocol << text; });
        cycle.SetAlertDispatcher([&] { ++alerts; });
        Program::WatchDesktop(*events_, cycle, 20);

        cycle.CheckNow();
        QTRY_COMPARE(silent.connectionCount(), 1);
        QVERIFY(standIns_.prepareForSleep(true));
        QTRY_VERIFY(!cycle.CycleRunning());
        QVERIFY(cycle.Timer1()->isActive());

        QVERIFY(standIns_.prepareForSleep(false));
        QTRY_COMPARE(silent.connectionCount(), 2);
        QCOMPARE(Accounts[1].NewMailCount, qint16(3));
        QCOMPARE(alerts, 0);
        QVERIFY(env.read(QStringLiteral("error.log")).isEmpty());
        QVERIFY(!protocol.join(QLatin1Char('\n')).contains(QStringLiteral("TIMEOUT")));
    }

    // Only a change from not online to online counts as the network coming back.
    void networkComingBackChecksOnce_data() {
        QTest::addColumn<States>("states");
        QTest::addColumn<int>("checks");
        QTest::newRow("offline, then online") << States{{20, 1}, {70, 4}} << 1;
        QTest::newRow("offline only") << States{{20, 1}} << 0;
        QTest::newRow("online all along, connectivity changes") << States{{70, 2}, {70, 4}} << 0;
    }
    void networkComingBackChecksOnce() {
        QFETCH(States, states);
        QFETCH(int, checks);
        QVERIFY(standIns_.setNetwork(70, 4));
        TestEnvironment env;
        ScriptedImapServer server;
        Accounts.append(TestAccount(QStringLiteral("maria"), server.port(), QStringLiteral("geheim")));
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 1000});
        Program::WatchDesktop(*events_, cycle, 20);
        QSignalSpy backOnline(events_, &DesktopEvents::BackOnline);

        for (const auto& [state, connectivity] : states)
            QVERIFY(standIns_.setNetwork(state, connectivity));
        QCOMPARE(backOnline.count(), checks);
        QTRY_COMPARE(server.connectionCount(), checks);
    }
};

QTEST_MAIN(TestDesktopEvents)
#include "tst_desktopevents.moc"
