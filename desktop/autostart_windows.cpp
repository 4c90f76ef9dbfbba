#include "desktop/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace {
QSettings RunKey() {
    return QSettings(QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"),
                     QSettings::NativeFormat);
}
}  // namespace

namespace Autostart {

bool Available() { return true; }

bool IsEnabled() { return RunKey().contains(QStringLiteral("Postfalke")); }

bool SetEnabled(bool enabled) {
    QSettings key = RunKey();
    if (enabled)
        key.setValue(QStringLiteral("Postfalke"),
                     QLatin1Char('"') + QDir::toNativeSeparators(QCoreApplication::applicationFilePath()) + QLatin1Char('"'));
    else
        key.remove(QStringLiteral("Postfalke"));
    key.sync();
    return key.status() == QSettings::NoError;
}

}  // namespace Autostart
