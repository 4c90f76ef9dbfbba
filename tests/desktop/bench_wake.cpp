// Benchmark, run by hand: how long after the computer wakes, and after the network comes back,
// the next check reaches the server, with the program's own grace. Stand-ins for logind and
// NetworkManager on a private system bus; a scripted server counts the connections.
// Prints each delay (to within the 10 ms steps of the wait) and the largest of each kind.
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
#include <QElapsedTimer>
#include <QTest>
#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? atoi(argv[1]) : 3;
    SystemBusStandIns standIns;
    if (!standIns.start() || !standIns.claimNames()) {
        std::fprintf(stderr, "dbus-daemon did not start\n");
        return 1;
    }
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
            if (!wake)
                standIns.setNetwork(20, 1);
            const int before = server.connectionCount();
            QElapsedTimer clock;
            clock.start();
            if (wake)
                standIns.prepareForSleep(false);
            else
                standIns.setNetwork(70, 4);
            if (!QTest::qWaitFor([&] { return server.connectionCount() > before; }, 30000)) {
                std::fprintf(stderr, "no check within 30 s\n");
                return 1;
            }
            const qint64 ms = clock.elapsed();
            (wake ? worstWake : worstNetwork) = qMax(wake ? worstWake : worstNetwork, ms);
            std::printf("round %d: %s -> check reaches the server after %lld ms\n", round, wake ? "woken" : "back online",
                        static_cast<long long>(ms));
            (void)QTest::qWaitFor([&] { return !cycle.CycleRunning(); }, 15000);
        }
    }
    std::printf("largest delay: after waking %lld ms, after the network's return %lld ms (limit 15000 ms)\n",
                static_cast<long long>(worstWake), static_cast<long long>(worstNetwork));
    return 0;
}
