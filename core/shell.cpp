#include "core/shell.h"

#include "core/account.h"
#include "core/paths.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace {
std::function<void(const QString&)>& shellOpenHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}
}  // namespace

void ShellOpen(const QString& path) {
    if (shellOpenHandler()) {
        shellOpenHandler()(path);
        return;
    }
    // A path that is not absolute (on Linux also the Windows default "C:\Programme\...") would be
    // looked up in the working folder, where a file of anybody's making could lie: nothing is run.
    if (!QDir::isAbsolutePath(path))
        return;
    const QFileInfo info(path);
    if (!info.exists())
        return;
#ifndef Q_OS_WIN
    if (info.isFile() && info.isExecutable()) {
        QProcess::startDetached(info.absoluteFilePath(), {}, info.absolutePath());
        return;
    }
#endif
    QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()));
}

void OpenHelpStartPage() { ShellOpen(Paths::HelpStartPage()); }

void StartEMailProgram() { ShellOpen(Settings.EMailProgramm); }

void SetShellOpenHandler(std::function<void(const QString&)> handler) { shellOpenHandler() = std::move(handler); }
