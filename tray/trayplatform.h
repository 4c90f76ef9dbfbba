#pragma once

#include "core/balloonicon.h"

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QSystemTrayIcon>

// What the tray layer needs from the desktop: one icon with a tip, balloon messages at it, and the
// icon's events. The real implementation sits on QSystemTrayIcon (and the desktop's notification
// service where that is needed for clickable balloons); the recording one lets the tests see what
// was asked of the tray without a desktop.
class TrayPlatform : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // True when the desktop has a tray that can show the icon.
    virtual bool IsTrayAvailable() const = 0;
    // True when a balloon message can be shown at all.
    virtual bool CanShowMessages() const = 0;
    virtual void ShowIcon(const QIcon& icon, const QString& tip) = 0;
    virtual void HideIcon() = 0;
    // Shows a balloon. The icon flag: 0 none, 1 information, 2 warning, 3 error. Line breaks are CR LF.
    virtual void ShowMessage(const QString& title, const QString& text, BalloonIcon icon) = 0;
    // Where the mouse is now, in global coordinates.
    virtual QPoint CursorPosition() const = 0;

signals:
    // A mouse event on the icon.
    void Activated(QSystemTrayIcon::ActivationReason reason);
    // The user clicked a balloon.
    void MessageClicked();
};
