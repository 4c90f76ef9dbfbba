// Benchmark, run by hand: one account against a hostile server (a Python process), with the
// program's own intervals. Prints, per kind of server, the resident memory while idle and its peak
// during the check, the time until the account ended, and the longest the event loop went
// without serving a 10 ms timer (the tray menu opens from that loop).
//
//     build/tests/check/bench_hostile [mode [seconds]]
//
// A check still running after the given seconds (default 30) is reported as not ended.

#include "benchcycle.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

namespace {
// Greets, then misbehaves as argv[1] says: "flood" sends data without line ends as fast as it
// can, "trickle" one byte every 50 ms, "repeat" answers LOGIN with "A001 OK" once a second for
// ever, "unread" floods tagged replies and never reads.
const char* const HostileServer = R"(
import socket, sys, time
mode = sys.argv[1]
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", 0)); s.listen(1)
print(s.getsockname()[1], flush=True)
c, _ = s.accept()
c.sendall(b"* OK hostile\r\n")
block, pause = {"flood": (b"x" * 65536, 0), "trickle": (b"x", 0.05), "repeat": (b"A001 OK\r\n", 1),
                "unread": (b"A001 OK\r\n* 5 RECENT\r\n" * 4096, 0)}[mode]
if mode == "repeat":
    c.recv(1000)
try:
    while True:
        c.sendall(block)
        time.sleep(pause)
except OSError:
    pass
)";

long ResidentKb() {
    static const QRegularExpression resident(QStringLiteral("VmRSS:\\s*(\\d+)"));
    QFile status(QStringLiteral("/proc/self/status"));
    const QRegularExpressionMatch match =
        resident.match(status.open(QIODevice::ReadOnly) ? QString::fromLatin1(status.readAll()) : QString());
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TestEnvironment environment;
    const QStringList modes = argc > 1 ? QStringList{QString::fromLatin1(argv[1])}
                                       : QStringList{"flood", "unread", "trickle", "repeat"};
    const int capMs = (argc > 2 ? qMax(1, atoi(argv[2])) : 30) * 1000;
    for (const QString& mode : modes) {
        QProcess server;
        server.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(HostileServer), mode});
        if (!server.waitForReadyRead(10000))
            return 1;
        const quint16 port = quint16(server.readLine().trimmed().toUInt());
        Accounts = QVector<Account>(1);
        Accounts.append(TestAccount(QStringLiteral("opfer"), port, QStringLiteral("geheim")));
        TimedCycle timed;
        QStringList protocol;  // kept as the main window's protocol list keeps it
        timed.cycle.SetProtocolSink([&](const QString& entry) { protocol << entry; });
        const long idleKb = ResidentKb();
        long peakKb = idleKb;
        qint64 longestGapMs = 0;
        QElapsedTimer gap;
        gap.start();
        QTimer probe;
        QObject::connect(&probe, &QTimer::timeout, [&] {
            longestGapMs = qMax(longestGapMs, gap.restart());
            peakKb = qMax(peakKb, ResidentKb());
        });
        probe.start(10);
        QTimer::singleShot(capMs, &timed.loop, &QEventLoop::quit);
        const double endedMs = timed.Run();
        const bool ended = !timed.cycle.CycleRunning();
        probe.stop();
        server.kill();
        server.waitForFinished();
        std::printf("%-8s resident idle %6ld kB, peak %6ld kB (%.2fx); account %s after %8.1f ms (%s); "
                    "longest event loop gap %lld ms\n",
                    qPrintable(mode), idleKb, peakKb, double(peakKb) / double(idleKb), ended ? "ended" : "NOT ended", endedMs, qPrintable(Accounts[1].CheckFailure),
                    static_cast<long long>(longestGapMs));
    }
    return 0;
}
