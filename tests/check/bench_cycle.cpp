// Benchmark, run by hand: one check cycle over 20 accounts on a private Dovecot against the same
// LOGIN, EXAMINE, LOGOUT with Python's imaplib, by turns, round after round, so that the load of a
// busy machine falls on both alike. Prints the median milliseconds per account after one warm-up
// round each, and their ratio.
//
//     build/tests/check/bench_cycle [rounds]

#include "benchcycle.h"

#include <QCoreApplication>
#include <QProcess>

namespace {
const int N = 20;
const int ExpectedRecent = 30;  // i % 4 messages for user i

const char* const PythonCycle = R"(
import imaplib, sys, time
start, total = time.perf_counter(), 0
for i in range(1, int(sys.argv[3]) + 1):
    m = imaplib.IMAP4(sys.argv[1], int(sys.argv[2]))
    m.login("u%02d" % i, "pw-%02d" % i)
    m.select("INBOX", readonly=True)
    total += int(m.response("RECENT")[1][0] or 0)
    m.logout()
print("%.3f %d" % ((time.perf_counter() - start) * 1000, total))
)";
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    TestEnvironment environment;
    QVector<DovecotServer::User> users;
    for (int i = 1; i <= N; ++i)
        users.append({QStringLiteral("u%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("pw-%1").arg(i, 2, 10, QLatin1Char('0')), i % 4});
    DovecotServer dovecot;
    if (!StartDovecotAccounts(dovecot, users, [](const DovecotServer::User& user) { return user.password; }))
        return 1;
    TimedCycle cycle;

    QList<double> ours, theirs;
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms up
        const double ourMs = cycle.Run() / N;
        int recent = 0;
        for (int i = 1; i <= N; ++i)
            recent += Accounts[i].NewMailCount;
        QProcess python;
        python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(PythonCycle), dovecot.host(),
                                                QString::number(dovecot.port()), QString::number(N)});
        python.waitForFinished(120000);
        const QList<QByteArray> fields = python.readAllStandardOutput().trimmed().split(' ');
        if (recent != ExpectedRecent || fields.value(1).toInt() != ExpectedRecent) {
            std::fprintf(stderr, "recent counts %d (Postfalke) and %s (imaplib), expected %d\n%s", recent,
                         fields.value(1).constData(), ExpectedRecent, python.readAllStandardError().constData());
            return 1;
        }
        if (round > 0) {
            ours << ourMs;
            theirs << fields.value(0).toDouble() / N;
        }
    }
    std::printf("%d accounts, %d rounds\nPostfalke CheckCycle: %7.2f ms per account\nPython imaplib:       %7.2f ms per account\n"
                "ratio Postfalke / imaplib: %.2f\n",
                N, rounds, Median(ours), Median(theirs), Median(ours) / Median(theirs));
    return 0;
}
