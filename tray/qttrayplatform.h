#pragma once

#include "tray/trayplatform.h"

#include <QSystemTrayIcon>

class DesktopNotifications;

// Where a balloon goes.
enum class BalloonRoute {
    None,                 // nowhere: the desktop cannot show it
    TrayIcon,             // QSystemTrayIcon::showMessage
    DesktopNotification,  // the desktop's notification service, with a click action
};

// Chooses the way of a balloon. Where Qt talks to a StatusNotifierItem host it hands balloons to the
// notification service itself, but without a click action for information messages; the program
// then sends them itself. Where there is no tray at all the notification service still shows them.
BalloonRoute ChooseBalloonRoute(bool trayShowsMessages, bool statusNotifierHost, bool notificationService);

// The desktop's tray through QSystemTrayIcon.
class QtTrayPlatform : public TrayPlatform {
    Q_OBJECT
public:
    explicit QtTrayPlatform(QObject* parent = nullptr);
    ~QtTrayPlatform() override;

    bool IsTrayAvailable() const override;
    bool CanShowMessages() const override;
    void ShowIcon(const QIcon& icon, const QString& tip) override;
    void HideIcon() override;
    void ShowMessage(const QString& title, const QString& text, BalloonIcon icon) override;
    QPoint CursorPosition() const override;

private:
    BalloonRoute Route() const;

    QSystemTrayIcon icon_;
    DesktopNotifications* notifications_ = nullptr;
    bool statusNotifierHost_ = false;
};
