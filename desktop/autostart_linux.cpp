#include "desktop/autostart.h"

#include "desktop/desktopentry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
QString EntryPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/postfalke.desktop");
}
}  // namespace

namespace Autostart {

bool Available() { return true; }

bool IsEnabled() {
    if (!QFile::exists(EntryPath()))
        return false;
    // The desktop's own autostart settings switch an entry off with these keys instead of removing it.
    const QHash<QString, QString> entry = DesktopEntry::Read(EntryPath());
    return entry.value(QStringLiteral("Hidden")) != QLatin1String("true") &&
           entry.value(QStringLiteral("X-GNOME-Autostart-enabled")) != QLatin1String("false");
}

bool SetEnabled(bool enabled) {
    const QString path = EntryPath();
    if (!enabled)
        return !QFile::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QString program = DesktopEntry::ExecValue(QCoreApplication::applicationFilePath());
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Postfalke\n"
                             "Comment=Watches IMAP mailboxes and reports new mail\n"
                             "Comment[de]=Überwacht IMAP-Postfächer und meldet neue E-Mails\n"
                             "Exec=%1\n"
                             "Icon=postfalke\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n")
                             .arg(DesktopEntry::Escape(program));
    file.write(text.toUtf8());
    return file.commit();
}

}  // namespace Autostart
