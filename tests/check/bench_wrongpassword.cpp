// Benchmark, run by hand: check cycles over three accounts on a private Dovecot (no delay for
// failed logins), the second with a wrong password. Prints the median milliseconds of a cycle.
//
//     build/tests/check/bench_wrongpassword [rounds]

#include "benchcycle.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    TestEnvironment environment;
    DovecotServer dovecot;
    if (!StartDovecotAccounts(dovecot, NumberedUsers(3)))
        return 1;
    Accounts[2].Password = QStringLiteral("falsch");
    TimedCycle cycle;
    QList<double> cycles;
    for (int round = 0; round < rounds; ++round) {
        cycles << cycle.Run();
        std::printf("cycle %d: %8.1f ms, counts %d %d %d\n", round + 1, cycles.last(), Accounts[1].NewMailCount,
                    Accounts[2].NewMailCount, Accounts[3].NewMailCount);
    }
    std::printf("median cycle over 3 accounts, one with a wrong password: %.1f ms\n", Median(cycles));
    return 0;
}
