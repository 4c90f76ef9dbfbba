// Benchmark, run by hand: one check cycle over 20 accounts on a private Dovecot, counting the
// server's RECENT flag against counting unseen mail since the last check (one more round trip and
// the state file written per account), by turns, round after round, so that the load of a busy
// machine falls on both alike. Before each round every mailbox gets one new message, which the
// unseen count must count. Prints the median milliseconds per account after one
// warm-up round each, and their ratio.
//
//     build/tests/check/bench_unseen [rounds]

#include "check/checkcycle.h"
#include "dovecotserver.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <cstdio>

namespace {
const int N = 20;

double Median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 9;
    TestEnvironment environment;
    QVector<DovecotServer::User> users;
    for (int i = 1; i <= N; ++i)
        users.append({QStringLiteral("u%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("pw"), i % 4});
    DovecotServer dovecot;
    if (!dovecot.start(users)) {
        std::fprintf(stderr, "Dovecot did not start: %s\n", qPrintable(dovecot.errorString()));
        return 1;
    }
    for (const DovecotServer::User& user : users)
        Accounts.append(TestAccount(user.name, dovecot.port(), user.password));
    CheckCycle cycle;  // the program's own intervals
    QEventLoop loop;
    cycle.SetAlertDispatcher([&] { loop.quit(); });
    // One cycle with every account counting this way; its milliseconds and the sum of the counts.
    auto run = [&](qint16 zaehlweise) {
        for (int i = 1; i <= N; ++i)
            Accounts[i].Zaehlweise = zaehlweise;
        QElapsedTimer clock;
        clock.start();
        cycle.CheckNow();
        loop.exec();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        int sum = 0;
        for (int i = 1; i <= N; ++i)
            sum += Accounts[i].NewMailCount;
        return std::make_pair(ms, sum);
    };

    QList<double> recent, unseen;
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms up and learns the mailboxes
        for (const DovecotServer::User& user : users)
            dovecot.addRecent(user.name, 1);
        // Each way goes first in every other round.
        std::pair<double, int> recentRun, unseenRun;
        if (round % 2) {
            recentRun = run(0);
            unseenRun = run(1);
        } else {
            unseenRun = run(1);
            recentRun = run(0);
        }
        const auto [recentMs, recentSum] = recentRun;
        const auto [unseenMs, unseenSum] = unseenRun;
        if (recentSum <= 0 || unseenSum != (round == 0 ? 0 : N)) {
            std::fprintf(stderr, "round %d: RECENT %d, unseen %d (expected %d)\n", round, recentSum, unseenSum, round == 0 ? 0 : N);
            return 1;
        }
        if (round > 0) {
            recent << recentMs / N;
            unseen << unseenMs / N;
        }
    }
    std::printf("%d accounts, %d rounds, state file in %s\nRECENT count:             %7.2f ms per account\n"
                "unseen since last check:  %7.2f ms per account\nratio unseen / RECENT:    %.2f\n",
                N, rounds, qPrintable(environment.folder()), Median(recent), Median(unseen), Median(unseen) / Median(recent));
    return 0;
}
