#pragma once

#include "core/balloonicon.h"

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVector>
#include <optional>

// Balloons sent straight to the desktop's notification service (org.freedesktop.Notifications),
// with a default action so that a click on them is reported. Used where Qt's own tray balloons
// cannot be clicked. Without the service nothing is shown and nothing fails.
class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    static QString ServiceName();
    static QString ObjectPath();
    // The name under which a StatusNotifierItem host registers on the session bus.
    static QString StatusNotifierWatcherName();

    explicit DesktopNotifications(const QDBusConnection& bus, QObject* parent = nullptr);

    // True when the notification service runs or can be started by the bus.
    bool ServiceAvailable() const;
    // True when a StatusNotifierItem host is on the bus, so Qt's tray icon goes through it. Decided
    // once, at the first question, as Qt decides it once for its tray icon.
    bool StatusNotifierHostPresent() const;

    // Sends a notification that replaces the previous one of the program. The icon flag is
    // accepted for the tray's sake; the notification shows the program's icon.
    void Show(const QString& title, const QString& text, BalloonIcon icon);

    // The service's id of the program's latest notification; 0 before the first has been shown.
    uint CurrentId() const { return lastId_; }

    // The body as sent: CR LF becomes a line feed; where the service reads markup, the markup
    // characters are escaped.
    static QString BodyText(const QString& text, bool serviceReadsMarkup);

signals:
    // The user clicked one of the program's notifications.
    void Clicked();

private slots:
    void OnActionInvoked(uint id, const QString& actionKey);
    void OnNotificationClosed(uint id, uint reason);

private:
    struct Pending {
        QString title;
        QString text;
    };
    void AskCapabilities();
    void Send(const Pending& notification);

    QDBusConnection bus_;
    std::optional<bool> readsMarkup_;
    bool askingCapabilities_ = false;
    QVector<Pending> waiting_;
    QSet<uint> shown_;
    uint lastId_ = 0;
    mutable std::optional<bool> statusNotifierHost_;
};
