#include "tray/qttrayplatform.h"

#ifdef POSTFALKE_DESKTOP_NOTIFICATIONS
#include "tray/desktopnotifications.h"

#include <QDBusConnection>
#endif

#include <QCursor>

BalloonRoute ChooseBalloonRoute(bool trayShowsMessages, bool statusNotifierHost, bool notificationService) {
    if (statusNotifierHost && notificationService)
        return BalloonRoute::DesktopNotification;
    if (trayShowsMessages)
        return BalloonRoute::TrayIcon;
    if (notificationService)
        return BalloonRoute::DesktopNotification;
    return BalloonRoute::None;
}

namespace {
QSystemTrayIcon::MessageIcon MessageIconOf(BalloonIcon icon) {
    switch (icon) {
    case BalloonIcon::Information:
        return QSystemTrayIcon::Information;
    case BalloonIcon::Warning:
        return QSystemTrayIcon::Warning;
    case BalloonIcon::Error:
        return QSystemTrayIcon::Critical;
    case BalloonIcon::None:
        break;
    }
    return QSystemTrayIcon::NoIcon;
}
}  // namespace

QtTrayPlatform::QtTrayPlatform(QObject* parent) : TrayPlatform(parent) {
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayPlatform::Activated);
#ifdef POSTFALKE_DESKTOP_NOTIFICATIONS
    notifications_ = new DesktopNotifications(QDBusConnection::sessionBus(), this);
    connect(notifications_, &DesktopNotifications::Clicked, this, &TrayPlatform::MessageClicked);
    // Qt decides once, when its first tray icon is made, whether it goes through a
    // StatusNotifierItem host; the balloons follow the same decision.
    statusNotifierHost_ = notifications_->StatusNotifierHostPresent();
#endif
    // Through a StatusNotifierItem host, Qt reports a click on any notification of the desktop as
    // a click on its balloon, whoever sent it. The program's balloons go through
    // DesktopNotifications there, which knows its own; Qt's report is not taken.
    connect(&icon_, &QSystemTrayIcon::messageClicked, this, [this] {
        if (!statusNotifierHost_)
            emit MessageClicked();
    });
}

QtTrayPlatform::~QtTrayPlatform() = default;

bool QtTrayPlatform::IsTrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

BalloonRoute QtTrayPlatform::Route() const {
    const bool trayShowsMessages = icon_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages();
#ifdef POSTFALKE_DESKTOP_NOTIFICATIONS
    return ChooseBalloonRoute(trayShowsMessages, notifications_->StatusNotifierHostPresent(), notifications_->ServiceAvailable());
#else
    return ChooseBalloonRoute(trayShowsMessages, false, false);
#endif
}

bool QtTrayPlatform::CanShowMessages() const { return Route() != BalloonRoute::None; }

void QtTrayPlatform::ShowIcon(const QIcon& icon, const QString& tip) {
    icon_.setIcon(icon);
    icon_.setToolTip(tip);
    icon_.show();
}

void QtTrayPlatform::HideIcon() { icon_.hide(); }

void QtTrayPlatform::ShowMessage(const QString& title, const QString& text, BalloonIcon icon) {
    switch (Route()) {
    case BalloonRoute::TrayIcon: {
        QString plain = text;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        icon_.showMessage(title, plain, MessageIconOf(icon));
        break;
    }
    case BalloonRoute::DesktopNotification:
#ifdef POSTFALKE_DESKTOP_NOTIFICATIONS
        notifications_->Show(title, text, icon);
#endif
        break;
    case BalloonRoute::None:
        break;
    }
}

QPoint QtTrayPlatform::CursorPosition() const { return QCursor::pos(); }
