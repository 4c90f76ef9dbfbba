#include "desktop/desktopevents.h"

#include <QDBusConnection>

// logind announces sleep and waking on the system bus. Without a system bus there is nothing to
// listen to; without logind the match waits quietly for a logind that may never come.
bool DesktopEvents::StartSleepWatch() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return false;
    return bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                       SLOT(PrepareForSleep(bool)));
}
