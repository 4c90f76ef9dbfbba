// Benchmark, run by hand: how long after the computer wakes, and after the network comes back,
// the next check reaches the server, with the program's own grace. A stand-in logind and a
// stand-in NetworkManager on a private system bus; a scripted server counts the connections.
// Prints each delay and the largest of each kind.
//
//     build/tests/desktop/bench_wake [rounds]

#include "app/program.h"
#include "check/checkcycle.h"
#include "core/account.h"
#include "desktop/desktopevents.h"

#include "privatebus.h"
#include "scriptedimapserver.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QNetworkInformation>
#include <QThread>
#include <cstdio>

// Answers Qt's blocking Properties.GetAll from a thread of its own.
class StandInNetworkManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State READ State)
    Q_PROPERTY(uint Connectivity READ Connectivity)
public:
    uint State() const { return state; }
    uint Connectivity() const { return connectivity; }
    std::atomic<uint> state = 70;
    std::atomic<uint> connectivity = 4;
};

namespace {
QDBusConnection StandIns() { return QDBusConnection(QStringLiteral("stand-ins")); }

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return done();
}

void Send(const char* path, const char* interface, const char* name, const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(path), QString::fromLatin1(interface), QString::fromLatin1(name));
    signal.setArguments(arguments);
    StandIns().send(signal);
}

void SetNetwork(StandInNetworkManager& manager, uint state, uint connectivity) {
    manager.state = state;
    manager.connectivity = connectivity;
    Send("/org/freedesktop/NetworkManager", "org.freedesktop.DBus.Properties", "PropertiesChanged",
         {QStringLiteral("org.freedesktop.NetworkManager"),
          QVariantMap{{QStringLiteral("State"), state}, {QStringLiteral("Connectivity"), connectivity}}, QStringList()});
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? atoi(argv[1]) : 3;
    PrivateBus bus;
    if (!bus.start()) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus.address().toUtf8());
    StandInNetworkManager manager;
    QThread standInThread;
    standInThread.start();
    manager.moveToThread(&standInThread);
    QDBusConnection::connectToBus(bus.address(), QStringLiteral("stand-ins"));
    StandIns().registerObject(QStringLiteral("/org/freedesktop/NetworkManager"), &manager, QDBusConnection::ExportAllProperties);
    StandIns().registerService(QStringLiteral("org.freedesktop.NetworkManager"));
    StandIns().registerService(QStringLiteral("org.freedesktop.login1"));

    TestEnvironment env;
    ScriptedImapServer server;
    Accounts.append(TestAccount(QStringLiteral("maria"), server.port(), QStringLiteral("geheim")));
    CheckCycle cycle;
    DesktopEvents events;
    Program::WatchDesktop(events, cycle);
    events.Start();
    if (!events.WatchingSleep() || !events.WatchingNetwork()) {
        std::fprintf(stderr, "the stand-ins were not found\n");
        return 1;
    }

    qint64 worstWake = 0, worstNetwork = 0;
    for (int round = 1; round <= rounds; ++round) {
        for (const bool wake : {true, false}) {
            if (!wake) {
                SetNetwork(manager, 20, 1);
                WaitFor([] { return QNetworkInformation::instance()->reachability() != QNetworkInformation::Reachability::Online; }, 5000);
            }
            const int before = server.connectionCount();
            QElapsedTimer clock;
            clock.start();
            if (wake)
                Send("/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", {false});
            else
                SetNetwork(manager, 70, 4);
            if (!WaitFor([&] { return server.connectionCount() > before; }, 30000)) {
                std::fprintf(stderr, "no check within 30 s\n");
                return 1;
            }
            const qint64 ms = clock.elapsed();
            (wake ? worstWake : worstNetwork) = qMax(wake ? worstWake : worstNetwork, ms);
            std::printf("round %d: %s -> check reaches the server after %lld ms\n", round, wake ? "woken" : "back online",
                        static_cast<long long>(ms));
            WaitFor([&] { return !cycle.CycleRunning(); }, 15000);
        }
    }
    std::printf("largest delay: after waking %lld ms, after the network's return %lld ms (limit 15000 ms)\n",
                static_cast<long long>(worstWake), static_cast<long long>(worstNetwork));
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-ins"));
    standInThread.quit();
    standInThread.wait();
    return 0;
}

#include "bench_wake.moc"
