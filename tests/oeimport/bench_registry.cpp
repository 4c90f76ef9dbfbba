// The registry reader's times on generated files: a key nested 300,000 levels deep, a value of
// 1 MB written over continuation lines, 20,000 accounts read as the import dialog reads them.
// Prints the median of five runs of each, as processor time (what the reader costs, also on a
// machine that is busy with other work) and as time on the clock.
#include "generatedreg.h"
#include "oeimport/oeaccountinfo.h"
#include "oeimport/winefilesource.h"
#include "oeimport/winereg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// "<cpu> ms processor, <wall> ms clock", medians of five runs.
QByteArray Median(const std::function<void()>& run) {
    std::vector<double> cpu;
    std::vector<double> wall;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double start = CpuMs();
        run();
        cpu.push_back(CpuMs() - start);
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    return QByteArray::number(cpu[2], 'f', 1) + " ms processor, " + QByteArray::number(wall[2], 'f', 1) + " ms clock";
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;

    const QByteArray deep = GeneratedReg::DeepKey(300000);
    std::printf("key 300,000 levels deep (%lld bytes), parsed and freed: %s\n", qlonglong(deep.size()),
                Median([&] {
                    Registry::KeyNode root;
                    Registry::Wine::Parse(deep, root);
                }).constData());

    const QByteArray big = GeneratedReg::ContinuedValue(1 << 20);
    std::printf("continued value (%lld bytes of text), parsed: %s\n", qlonglong(big.size()), Median([&] {
                    Registry::KeyNode root;
                    Registry::Wine::Parse(big, root);
                }).constData());

    QFile file(dir.filePath(QStringLiteral("user.reg")));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    const QByteArray accounts = GeneratedReg::Accounts(20000);
    file.write(accounts);
    file.close();
    std::printf("20,000 accounts (%lld bytes), parsed: %s\n", qlonglong(accounts.size()), Median([&] {
                    Registry::KeyNode root;
                    Registry::Wine::Parse(accounts, root);
                }).constData());
    int found = 0;
    const QByteArray read = Median([&] {
        Registry::WineFileSource source(file.fileName());
        found = int(ReadOEImapAccounts(source).size());
    });
    std::printf("20,000 accounts, %d read by ReadOEImapAccounts from the file: %s\n", found, read.constData());
    return 0;
}
