// Benchmark, run by hand: one check cycle over 20 accounts on a private Dovecot, counting the
// server's RECENT flag against counting unseen mail since the last check, by turns, round after
// round. Before each round every mailbox gets one new message, which the unseen count must count.
// Prints the median milliseconds per account after one warm-up round each, and their ratio.
//
//     build/tests/check/bench_unseen [rounds]

#include "benchcycle.h"

#include <QCoreApplication>

const int N = 20;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 9;
    TestEnvironment environment;
    const QVector<DovecotServer::User> users = NumberedUsers(N);
    DovecotServer dovecot;
    if (!StartDovecotAccounts(dovecot, users))
        return 1;
    TimedCycle cycle;
    // One cycle with every account counting this way; its milliseconds and the sum of the counts.
    auto run = [&](qint16 zaehlweise) {
        for (int i = 1; i <= N; ++i)
            Accounts[i].Zaehlweise = zaehlweise;
        const double ms = cycle.Run();
        return std::make_pair(ms, CountSum());
    };

    QList<double> recent, unseen;
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms up and learns the mailboxes
        for (const DovecotServer::User& user : users)
            dovecot.addRecent(user.name, 1);
        // Each way goes first in every other round.
        const auto first = run(round % 2 ? 0 : 1), second = run(round % 2 ? 1 : 0);
        const auto [recentMs, recentSum] = round % 2 ? first : second;
        const auto [unseenMs, unseenSum] = round % 2 ? second : first;
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
