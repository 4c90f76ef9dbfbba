// The registry reader's times on generated files: a key nested 300,000 levels deep, a value of 1 MB
// over continuation lines, 20,000 accounts read as the import dialog reads them. Prints medians of
// five runs, as processor time (what the reader costs, also on a busy machine) and on the clock.
#include "generatedreg.h"
#include "oeimport/oeaccountinfo.h"
#include "oeimport/winefilesource.h"
#include "oeimport/winereg.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
// "<cpu> ms processor, <wall> ms clock", medians of five runs.
QByteArray Median(const std::function<void()>& run) {
    QList<double> cpu, wall;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        const double start = GeneratedReg::CpuMs();
        run();
        cpu << GeneratedReg::CpuMs() - start;
        wall << double(timer.nsecsElapsed()) / 1e6;
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    return QByteArray::number(cpu[2], 'f', 1) + " ms processor, " + QByteArray::number(wall[2], 'f', 1) + " ms clock";
}

// Parses the content into a tree of its own and frees it again, five times.
QByteArray MedianParse(const QByteArray& content) {
    return Median([&content] {
        Registry::KeyNode root;
        Registry::Wine::Parse(content, root);
    });
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QByteArray deep = GeneratedReg::DeepKey(300000);
    std::printf("key 300,000 levels deep (%lld bytes), parsed and freed: %s\n", qlonglong(deep.size()),
                MedianParse(deep).constData());
    const QByteArray big = GeneratedReg::ContinuedValue(1 << 20);
    std::printf("continued value (%lld bytes of text), parsed: %s\n", qlonglong(big.size()), MedianParse(big).constData());

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("user.reg")));
    const QByteArray accounts = GeneratedReg::Accounts(20000);
    if (!file.open(QIODevice::WriteOnly) || file.write(accounts) != accounts.size())
        return 1;
    file.close();
    std::printf("20,000 accounts (%lld bytes), parsed: %s\n", qlonglong(accounts.size()), MedianParse(accounts).constData());
    int found = 0;
    const QByteArray read = Median([&] {
        Registry::WineFileSource source(file.fileName());
        found = int(ReadOEImapAccounts(source).size());
    });
    std::printf("20,000 accounts, %d read by ReadOEImapAccounts from the file: %s\n", found, read.constData());
    return 0;
}
