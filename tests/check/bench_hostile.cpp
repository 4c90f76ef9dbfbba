// Benchmark, run by hand: one account against a hostile server (a Python process), with the
// program's own intervals. Prints, per kind of server, the resident memory while idle and its peak
// during the check, the time until the account ended, and the longest the event loop went
// without serving a 10 ms timer (the tray menu opens from that loop).
//
//     build/tests/check/bench_hostile [mode [seconds]]
//
// A check still running after the given seconds (default 30) is reported as not ended.

#include "check/checkcycle.h"
#include "testenvironment.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <cstdio>

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
try:
    if mode == "flood":
        block = b"x" * 65536
        while True: c.sendall(block)
    elif mode == "trickle":
        while True: c.sendall(b"x"); time.sleep(0.05)
    elif mode == "repeat":
        c.recv(1000)
        while True: c.sendall(b"A001 OK\r\n"); time.sleep(1)
    else:
        block = b"A001 OK\r\n* 5 RECENT\r\n" * 4096
        while True: c.sendall(block)
except OSError:
    pass
)";

long ResidentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
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
        CheckCycle cycle;
        QStringList protocol;  // kept as the main window's protocol list keeps it
        cycle.SetProtocolSink([&](const QString& entry) { protocol << entry; });
        QEventLoop loop;
        cycle.SetAlertDispatcher([&] { loop.quit(); });
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
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(capMs, &loop, &QEventLoop::quit);
        cycle.CheckNow();
        loop.exec();
        const bool ended = !cycle.CycleRunning();
        const double endedMs = double(clock.nsecsElapsed()) / 1e6;
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
