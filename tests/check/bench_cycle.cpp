// Benchmark, run by hand: one check cycle over 20 accounts on a private Dovecot, and the same
// LOGIN, EXAMINE, LOGOUT with Python's imaplib against the same server in the same run.
//
//     build/tests/check/bench_cycle [rounds]
//
// The two run by turns, round after round, so that the load of a busy machine falls on both alike.
// Prints the milliseconds per account for both (the median of the rounds, after one warm-up
// round each) and their ratio.

#include "check/checkcycle.h"
#include "core/account.h"
#include "dovecotserver.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

const int AccountTotal = 20;

QString UserName(int i) { return QStringLiteral("u%1").arg(i, 2, 10, QLatin1Char('0')); }
QString UserPassword(int i) { return QStringLiteral("pw-%1").arg(i, 2, 10, QLatin1Char('0')); }
int UserRecent(int i) { return i % 4; }

double Median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}

const char* const PythonCycle = R"(
import imaplib, sys, time
host, port, n, rounds = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
def cycle():
    total = 0
    for i in range(1, n + 1):
        m = imaplib.IMAP4(host, port)
        m.login("u%02d" % i, "pw-%02d" % i)
        m.select("INBOX", readonly=True)
        total += int(m.response("RECENT")[1][0] or 0)
        m.logout()
    return total
for r in range(rounds):
    start = time.perf_counter()
    total = cycle()
    print("%.3f %d" % ((time.perf_counter() - start) * 1000, total), flush=True)
)";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    TestEnvironment environment;

    QVector<DovecotServer::User> users;
    int expectedRecent = 0;
    for (int i = 1; i <= AccountTotal; ++i) {
        users.append({UserName(i), UserPassword(i), UserRecent(i)});
        expectedRecent += UserRecent(i);
    }
    DovecotServer dovecot;
    QElapsedTimer startClock;
    startClock.start();
    if (!dovecot.start(users)) {
        std::fprintf(stderr, "Dovecot did not start: %s\n", qPrintable(dovecot.errorString()));
        return 1;
    }
    const qint64 startMs = startClock.elapsed();

    for (int i = 1; i <= AccountTotal; ++i) {
        Account account;
        account.EMail = UserName(i) + QStringLiteral("@example.org");
        account.Server = dovecot.host();
        account.Port = qint16(dovecot.port());
        account.Username = UserName(i);
        account.Password = UserPassword(i);
        account.Mailbox = QStringLiteral("INBOX");
        Accounts.append(account);
    }

    // Postfalke's cycle with the program's own intervals.
    CheckCycle cycle;
    QEventLoop loop;
    cycle.SetAlertDispatcher([&] { loop.quit(); });
    auto runOurs = [&]() -> double {
        QElapsedTimer clock;
        clock.start();
        cycle.CheckNow();
        QTimer::singleShot(120000, &loop, &QEventLoop::quit);
        loop.exec();
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        int recent = 0;
        for (int i = 1; i <= AccountTotal; ++i)
            recent += Accounts[i].NewMailCount;
        if (recent != expectedRecent) {
            std::fprintf(stderr, "Postfalke counted %d recent messages, expected %d\n", recent, expectedRecent);
            return -1;
        }
        return ms;
    };
    // Python's imaplib against the same server: one cycle per run, timed inside Python.
    auto runTheirs = [&]() -> double {
        QProcess python;
        python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(PythonCycle), dovecot.host(),
                                                QString::number(dovecot.port()), QString::number(AccountTotal), QStringLiteral("1")});
        if (!python.waitForFinished(120000) || python.exitCode() != 0) {
            std::fprintf(stderr, "imaplib run failed: %s\n", python.readAllStandardError().constData());
            return -1;
        }
        const QList<QByteArray> fields = python.readAllStandardOutput().trimmed().split(' ');
        if (fields.value(1).toInt() != expectedRecent) {
            std::fprintf(stderr, "imaplib counted %s recent messages, expected %d\n", fields.value(1).constData(), expectedRecent);
            return -1;
        }
        return fields.value(0).toDouble();
    };

    QList<double> ours;
    QList<double> theirs;
    for (int round = 0; round <= rounds; ++round) {
        const double ourMs = runOurs();
        const double theirMs = runTheirs();
        if (ourMs < 0 || theirMs < 0)
            return 1;
        if (round > 0) {
            ours << ourMs;
            theirs << theirMs;
        }
    }

    const double oursPerAccount = Median(ours) / AccountTotal;
    const double theirsPerAccount = Median(theirs) / AccountTotal;
    std::printf("Dovecot on 127.0.0.1:%d started in %lld ms; %d accounts, %d rounds after one warm-up round each\n",
                int(dovecot.port()), startMs, AccountTotal, rounds);
    std::printf("Postfalke CheckCycle: %7.2f ms per account (median cycle %.1f ms)\n", oursPerAccount, Median(ours));
    std::printf("Python imaplib:       %7.2f ms per account (median cycle %.1f ms)\n", theirsPerAccount, Median(theirs));
    std::printf("ratio Postfalke / imaplib: %.2f\n", oursPerAccount / theirsPerAccount);
    return 0;
}
