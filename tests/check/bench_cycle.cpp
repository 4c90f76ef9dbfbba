// Benchmark, run by hand: one check cycle over 20 accounts on a private Dovecot against the same
// LOGIN, EXAMINE, LOGOUT with Python's imaplib, by turns, round after round, so that the load of a
// busy machine falls on both alike. Prints the median milliseconds per account after one warm-up
// round each, and their ratio. With "tls" both sides use SSL/TLS on the imaps port, trusting the
// server's test authority (imaplib.IMAP4_SSL against the check with encryption "SSL/TLS").
//
//     build/tests/check/bench_cycle [rounds] [tls]

#include "check/checkcycle.h"
#include "check/winsock.h"
#include "dovecotserver.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstdio>

namespace {
const int N = 20;
const int ExpectedRecent = 30;  // i % 4 messages for user i

const char* const PythonCycle = R"(
import imaplib, ssl, sys, time
context = ssl.create_default_context(cafile=sys.argv[4]) if len(sys.argv) > 4 else None
start, total = time.perf_counter(), 0
for i in range(1, int(sys.argv[3]) + 1):
    m = imaplib.IMAP4_SSL(sys.argv[1], int(sys.argv[2]), ssl_context=context) if context else imaplib.IMAP4(sys.argv[1], int(sys.argv[2]))
    m.login("u%02d" % i, "pw-%02d" % i)
    m.select("INBOX", readonly=True)
    total += int(m.response("RECENT")[1][0] or 0)
    m.logout()
print("%.3f %d" % ((time.perf_counter() - start) * 1000, total))
)";

double MedianPerAccount(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return (n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2) / N;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 5;
    const bool tls = argc > 2 && QByteArray(argv[2]) == "tls";
    TestEnvironment environment;
    QVector<DovecotServer::User> users;
    for (int i = 1; i <= N; ++i)
        users.append({QStringLiteral("u%1").arg(i, 2, 10, QLatin1Char('0')), QStringLiteral("pw-%1").arg(i, 2, 10, QLatin1Char('0')), i % 4});
    DovecotServer dovecot;
    if (!dovecot.start(users)) {
        std::fprintf(stderr, "Dovecot did not start: %s\n", qPrintable(dovecot.errorString()));
        return 1;
    }
    const quint16 port = tls ? dovecot.tlsPort() : dovecot.port();
    for (const DovecotServer::User& user : users) {
        Accounts.append(TestAccount(user.name, port, user.password));
        Accounts.last().Verschluesselung = tls ? 2 : 0;
    }
    CheckCycle cycle;  // the program's own intervals
    QStringList pythonArguments{QStringLiteral("-c"), QString::fromLatin1(PythonCycle), dovecot.host(), QString::number(port),
                                QString::number(N)};
    if (tls) {
        QSslConfiguration trust = QSslConfiguration::defaultConfiguration();
        trust.setCaCertificates({dovecot.authority()});
        cycle.Winsock1()->SetSslConfiguration(trust);
        QFile authority(environment.path(QStringLiteral("ca.pem")));
        if (!authority.open(QIODevice::WriteOnly) || authority.write(dovecot.authority().toPem()) <= 0)
            return 1;
        pythonArguments << authority.fileName();
    }
    QEventLoop loop;
    cycle.SetAlertDispatcher([&] { loop.quit(); });

    QList<double> ours, theirs;
    for (int round = 0; round <= rounds; ++round) {  // round 0 warms up
        QElapsedTimer clock;
        clock.start();
        cycle.CheckNow();
        loop.exec();
        const double ourMs = double(clock.nsecsElapsed()) / 1e6;
        int recent = 0;
        for (int i = 1; i <= N; ++i)
            recent += Accounts[i].NewMailCount;
        QProcess python;
        python.start(QStringLiteral("python3"), pythonArguments);
        python.waitForFinished(120000);
        const QList<QByteArray> fields = python.readAllStandardOutput().trimmed().split(' ');
        if (recent != ExpectedRecent || fields.value(1).toInt() != ExpectedRecent) {
            std::fprintf(stderr, "recent counts %d (Postfalke) and %s (imaplib), expected %d\n%s", recent,
                         fields.value(1).constData(), ExpectedRecent, python.readAllStandardError().constData());
            return 1;
        }
        if (round > 0) {
            ours << ourMs;
            theirs << fields.value(0).toDouble();
        }
    }
    std::printf("%s, %d accounts, %d rounds\nPostfalke CheckCycle: %7.2f ms per account\nPython imaplib:       %7.2f ms per account\n"
                "ratio Postfalke / imaplib: %.2f\n",
                tls ? "SSL/TLS" : "plain TCP", N, rounds, MedianPerAccount(ours), MedianPerAccount(theirs), MedianPerAccount(ours) / MedianPerAccount(theirs));
    return 0;
}
