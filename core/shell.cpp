#include "core/shell.h"

#include "core/account.h"
#include "core/funktionen.h"
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

std::function<void()>& desktopMailClientStarter() {
    static std::function<void()> starter;
    return starter;
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

void StartEMailProgram() {
    if (desktopMailClientStarter() && NamesNoEMailProgram(Settings.EMailProgramm))
        desktopMailClientStarter()();
    else
        ShellOpen(Settings.EMailProgramm);
}

bool NamesNoEMailProgram(const QString& setting) {
    if (setting.trimmed().isEmpty())
        return true;
    // Only an absolute path can name the file: elsewhere the Windows path is relative.
    const QFileInfo file(setting);
    return setting == DefaultEMailProgramm() && !(file.isAbsolute() && file.exists());
}

void SetDesktopMailClientStarter(std::function<void()> starter) { desktopMailClientStarter() = std::move(starter); }

void SetShellOpenHandler(std::function<void(const QString&)> handler) { shellOpenHandler() = std::move(handler); }
