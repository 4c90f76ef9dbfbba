#include "core/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Paths {
namespace {
QString& programFolderOverride() {
    static QString folder;
    return folder;
}
QString& logFolderOverride() {
    static QString folder;
    return folder;
}
QString& dataFolderOverride() {
    static QString folder;
    return folder;
}
}  // namespace

QString ProgramFolder() {
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString LogFolder() {
    if (!logFolderOverride().isEmpty())
        return logFolderOverride();
    const QString program = ProgramFolder();
    if (QFileInfo(program).isWritable())
        return program;
    const QString data = DataFolder();
    QDir().mkpath(data);
    return data;
}

QString DataFolder() {
    if (!dataFolderOverride().isEmpty())
        return dataFolderOverride();
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
}

QString HelpStartPage() { return QDir::toNativeSeparators(ProgramFolder() + QStringLiteral("/hilfe/start.html")); }

void SetProgramFolderForTesting(const QString& folder) { programFolderOverride() = folder; }
void SetLogFolderForTesting(const QString& folder) { logFolderOverride() = folder; }
void SetDataFolderForTesting(const QString& folder) { dataFolderOverride() = folder; }

}  // namespace Paths
