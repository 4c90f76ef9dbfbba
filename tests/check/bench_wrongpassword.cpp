// Benchmark, run by hand: check cycles over three accounts on a private Dovecot (no delay for
// failed logins), the second with a wrong password. Prints the median milliseconds of a cycle.
//
//     build/tests/check/bench_wrongpassword [rounds]

#include "check/checkcycle.h"
#include "dovecotserver.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 3;
    TestEnvironment environment;
    const QVector<DovecotServer::User> users{{QStringLiteral("anna"), QStringLiteral("pw-anna"), 1},
                                             {QStringLiteral("bert"), QStringLiteral("pw-bert"), 2},
                                             {QStringLiteral("carl"), QStringLiteral("pw-carl"), 3}};
    DovecotServer dovecot;
    if (!dovecot.start(users)) {
        std::fprintf(stderr, "Dovecot did not start: %s\n", qPrintable(dovecot.errorString()));
        return 1;
    }
    for (const DovecotServer::User& user : users)
        Accounts.append(TestAccount(user.name, dovecot.port(), user.name == "bert" ? QStringLiteral("falsch") : user.password));
    CheckCycle cycle;  // the program's own intervals
    QEventLoop loop;
    cycle.SetAlertDispatcher([&] { loop.quit(); });
    QList<double> cycles;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        cycle.CheckNow();
        loop.exec();
        cycles << double(clock.nsecsElapsed()) / 1e6;
        std::printf("cycle %d: %8.1f ms, counts %d %d %d\n", round + 1, cycles.last(), Accounts[1].NewMailCount,
                    Accounts[2].NewMailCount, Accounts[3].NewMailCount);
    }
    std::sort(cycles.begin(), cycles.end());
    std::printf("median cycle over 3 accounts, one with a wrong password: %.1f ms\n", cycles.at(cycles.size() / 2));
    return 0;
}
