#include "desktop/mailclient.h"

#include "desktop/desktopentry.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {
// The mimeapps.list files in the order the freedesktop rules ask: the user's configuration (the
// current desktop's own list first), the system's, then the lists beside the applications.
QStringList MimeAppsLists() {
    QStringList names;
    for (const QString& desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        names << desktop.toLower() + QStringLiteral("-mimeapps.list");
    names << QStringLiteral("mimeapps.list");
    QStringList lists;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        for (const QString& name : std::as_const(names))
            lists << folder + QLatin1Char('/') + name;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        for (const QString& name : std::as_const(names))
            lists << folder + QStringLiteral("/applications/") + name;
    return lists;
}

bool Executable(const QString& program) {
    if (program.contains(QLatin1Char('/'))) {
        const QFileInfo info(program);
        return info.isAbsolute() && info.isFile() && info.isExecutable();
    }
    return !QStandardPaths::findExecutable(program).isEmpty();
}

// The client a desktop entry describes, when it is installed and can be started here.
std::optional<MailClient::Client> FromEntry(const QString& id) {
    const QString file = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("applications/") + id);
    if (file.isEmpty())
        return std::nullopt;
    const QHash<QString, QString> entry = DesktopEntry::Read(file);
    const QString tryExec = entry.value(QStringLiteral("TryExec"));
    if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true") || (!tryExec.isEmpty() && !Executable(tryExec)))
        return std::nullopt;
    QStringList command = DesktopEntry::Command(entry, file);
    if (command.isEmpty())
        return std::nullopt;
    if (entry.value(QStringLiteral("Terminal")) == QLatin1String("true")) {
        // A mail client for the terminal gets Debian's terminal emulator, where there is one.
        if (!Executable(QStringLiteral("x-terminal-emulator")))
            return std::nullopt;
        command = QStringList{QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")} + command;
    }
    QString name = entry.value(QStringLiteral("Name[de]"), entry.value(QStringLiteral("Name")));
    return MailClient::Client{name.isEmpty() ? id : name, command, entry.value(QStringLiteral("Path"))};
}
}  // namespace

std::optional<MailClient::Client> MailClient::DesktopDefault() {
    for (const QString& list : MimeAppsLists()) {
        const QString ids = DesktopEntry::Read(list, QStringLiteral("Default Applications"))
                                .value(QStringLiteral("x-scheme-handler/mailto"));
        for (const QString& id : ids.split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (std::optional<Client> client = FromEntry(id.trimmed()))
                return client;
    }
    return std::nullopt;
}
