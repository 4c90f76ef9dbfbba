// Benchmark, run by hand: one check cycle over 20 accounts on a private Dovecot against the same
// LOGIN, EXAMINE, LOGOUT with Python's imaplib, by turns, round after round, so that the load of a
// busy machine falls on both alike. Prints the median milliseconds per account after one warm-up
// round each, and their ratio. With "tls" both sides use SSL/TLS on the imaps port, trusting the
// server's test authority.
//
//     build/tests/check/bench_cycle [rounds] [tls]

#include "benchcycle.h"
#include "check/winsock.h"

#include <QCoreApplication>
#include <QProcess>

namespace {
const int N = 20;
const int ExpectedRecent = 30;  // i % 4 messages for user i

const char* const PythonCycle = R"(
import imaplib, ssl, sys, time
context = ssl.create_default_context(cafile=sys.argv[4]) if len(sys.argv) > 4 else None
host, port = sys.argv[1], int(sys.argv[2])
start, total = time.perf_counter(), 0
for i in range(1, int(sys.argv[3]) + 1):
    m = imaplib.IMAP4_SSL(host, port, ssl_context=context) if context else imaplib.IMAP4(host, port)
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
    const bool tls = argc > 2 && QByteArray(argv[2]) == "tls";
    TestEnvironment environment;
    DovecotServer dovecot;
    if (!StartDovecotAccounts(dovecot, NumberedUsers(N)))
        return 1;
    const quint16 port = tls ? dovecot.tlsPort() : dovecot.port();
    TimedCycle timed;  // the program's own intervals
    QStringList pythonArguments{"-c", PythonCycle, dovecot.host(), QString::number(port), QString::number(N)};
    if (tls) {
        for (int i = 1; i <= N; ++i) {
            Accounts[i].Port = port;
            Accounts[i].Verschluesselung = 2;
        }
        QSslConfiguration trust = QSslConfiguration::defaultConfiguration();
        trust.setCaCertificates({dovecot.authority()});
        timed.cycle.Winsock1()->SetSslConfiguration(trust);
        pythonArguments << dovecot.authorityFile();
    }

    QList<double> ours, theirs;
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms up
        const double ourMs = timed.Run();
        QProcess python;
        python.start(QStringLiteral("python3"), pythonArguments);
        python.waitForFinished(120000);
        const QList<QByteArray> fields = python.readAllStandardOutput().trimmed().split(' ');
        if (CountSum() != ExpectedRecent || fields.value(1).toInt() != ExpectedRecent) {
            std::fprintf(stderr, "recent counts %d (Postfalke) and %s (imaplib), expected %d\n%s", CountSum(),
                         fields.value(1).constData(), ExpectedRecent, python.readAllStandardError().constData());
            return 1;
        }
        if (round > 0) {
            ours << ourMs / N;
            theirs << fields.value(0).toDouble() / N;
        }
    }
    std::printf("%s, %d accounts, %d rounds\nPostfalke CheckCycle: %7.2f ms per account\nPython imaplib:       %7.2f ms per account\n"
                "ratio Postfalke / imaplib: %.2f\n",
                tls ? "SSL/TLS" : "plain TCP", N, rounds, Median(ours), Median(theirs), Median(ours) / Median(theirs));
    return 0;
}
