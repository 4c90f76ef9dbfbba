#include "app/program.h"
#include "check/checkcycle.h"
#include "core/account.h"
#include "desktop/desktopevents.h"

#include "privatebus.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QNetworkInformation>
#include <QtTest>

// NetworkManager as Qt reads it: State and Connectivity through Properties.GetAll. Qt asks with a
// blocking call, so the stand-in answers from a thread of its own.
class FakeNetworkManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ State)
    Q_PROPERTY(uint Connectivity READ Connectivity)
public:
    uint State() const { return state; }
    uint Connectivity() const { return connectivity; }
    std::atomic<uint> state = 70;  // connected to the internet
    std::atomic<uint> connectivity = 4;
};

using Reachability = QNetworkInformation::Reachability;
using States = QList<QPair<uint, uint>>;  // NetworkManager's State and Connectivity, one after another

// Stand-ins for logind and NetworkManager on a private system bus, and a check cycle tied to them.
class TestDesktopEvents : public QObject {
    Q_OBJECT
    PrivateBus bus_;
    FakeNetworkManager networkManager_;
    QThread standInThread_;
    QObject login1_;
    DesktopEvents* events_ = nullptr;

    static QDBusConnection StandIns() { return QDBusConnection(QStringLiteral("stand-ins")); }

    void PrepareForSleep(bool sleeping) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/login1"),
                                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                                         QStringLiteral("PrepareForSleep"));
        signal << sleeping;
        QVERIFY(StandIns().send(signal));
    }

    // NetworkManager's state changes; returns once Qt has taken it in.
    void SetNetwork(uint state, uint connectivity) {
        networkManager_.state = state;
        networkManager_.connectivity = connectivity;
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/NetworkManager"),
                                                         QStringLiteral("org.freedesktop.DBus.Properties"),
                                                         QStringLiteral("PropertiesChanged"));
        signal << QStringLiteral("org.freedesktop.NetworkManager")
               << QVariantMap{{QStringLiteral("State"), state}, {QStringLiteral("Connectivity"), connectivity}}
               << QStringList();
        QVERIFY(StandIns().send(signal));
        const Reachability expected = state == 70 ? Reachability::Online
                                      : state == 20 ? Reachability::Disconnected
                                                    : Reachability::Local;
        QTRY_COMPARE(QNetworkInformation::instance()->reachability(), expected);
    }

private slots:
    void initTestCase() {
        if (!bus_.start())
            QSKIP("dbus-daemon is not installed (scripts/deps installs it)");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus_.address().toUtf8());
        QVERIFY(QDBusConnection::connectToBus(bus_.address(), QStringLiteral("stand-ins")).isConnected());
        standInThread_.start();
        networkManager_.moveToThread(&standInThread_);
        QVERIFY(StandIns().registerObject(QStringLiteral("/org/freedesktop/NetworkManager"), &networkManager_,
                                          QDBusConnection::ExportAllProperties));
        QVERIFY(StandIns().registerService(QStringLiteral("org.freedesktop.NetworkManager")));
        QVERIFY(StandIns().registerService(QStringLiteral("org.freedesktop.login1")));
        events_ = new DesktopEvents(this);
        events_->Start();
        QVERIFY(events_->WatchingSleep());
        QVERIFY(events_->WatchingNetwork());
        QCOMPARE(QNetworkInformation::instance()->reachability(), Reachability::Online);
    }
    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-ins"));
        standInThread_.quit();
        standInThread_.wait();
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
        PrepareForSleep(true);
        QTRY_VERIFY(!cycle.CycleRunning());
        QVERIFY(cycle.Timer1()->isActive());

        QElapsedTimer sinceWaking;
        PrepareForSleep(false);
        sinceWaking.start();
        QTRY_COMPARE_WITH_TIMEOUT(silent.connectionCount(), 2, 15000);
        QVERIFY(sinceWaking.elapsed() < 15000);
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
        QTest::newRow("local network, then online") << States{{50, 3}, {70, 4}} << 1;
        QTest::newRow("offline twice, then online") << States{{20, 1}, {20, 1}, {70, 4}} << 1;
        QTest::newRow("offline only") << States{{20, 1}} << 0;
        QTest::newRow("online all along, connectivity changes") << States{{70, 2}, {70, 4}} << 0;
    }
    void networkComingBackChecksOnce() {
        QFETCH(States, states);
        QFETCH(int, checks);
        SetNetwork(70, 4);
        TestEnvironment env;
        ScriptedImapServer server;
        Accounts.append(TestAccount(QStringLiteral("maria"), server.port(), QStringLiteral("geheim")));
        CheckCycle cycle(nullptr, CheckCycle::Intervals{60000, 1000});
        Program::WatchDesktop(*events_, cycle, 20);
        QSignalSpy backOnline(events_, &DesktopEvents::BackOnline);

        for (const auto& [state, connectivity] : states)
            SetNetwork(state, connectivity);
        QCOMPARE(backOnline.count(), checks);
        QTRY_COMPARE(server.connectionCount(), checks);
    }
};

QTEST_MAIN(TestDesktopEvents)
#include "tst_desktopevents.moc"
