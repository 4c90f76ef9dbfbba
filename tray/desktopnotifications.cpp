#include "tray/desktopnotifications.h"

#include "core/paths.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>
#include <utility>

QString DesktopNotifications::ServiceName() { return QStringLiteral("org.freedesktop.Notifications"); }
QString DesktopNotifications::ObjectPath() { return QStringLiteral("/org/freedesktop/Notifications"); }
QString DesktopNotifications::StatusNotifierWatcherName() { return QStringLiteral("org.kde.StatusNotifierWatcher"); }

DesktopNotifications::DesktopNotifications(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {
    if (!bus_.isConnected())
        return;
    bus_.connect(ServiceName(), ObjectPath(), ServiceName(), QStringLiteral("ActionInvoked"), this,
                 SLOT(OnActionInvoked(uint, QString)));
    bus_.connect(ServiceName(), ObjectPath(), ServiceName(), QStringLiteral("NotificationClosed"), this,
                 SLOT(OnNotificationClosed(uint, uint)));
}

bool DesktopNotifications::ServiceAvailable() const {
    if (!bus_.isConnected() || !bus_.interface())
        return false;
    const QDBusReply<bool> running = bus_.interface()->isServiceRegistered(ServiceName());
    if (running.isValid() && running.value())
        return true;
    const QDBusReply<QStringList> activatable = bus_.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(ServiceName());
}

bool DesktopNotifications::StatusNotifierHostPresent() const {
    if (!statusNotifierHost_) {
        bool present = false;
        if (bus_.isConnected() && bus_.interface()) {
            const QDBusReply<bool> reply = bus_.interface()->isServiceRegistered(StatusNotifierWatcherName());
            present = reply.isValid() && reply.value();
        }
        statusNotifierHost_ = present;
    }
    return *statusNotifierHost_;
}

QString DesktopNotifications::BodyText(const QString& text, bool serviceReadsMarkup) {
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (serviceReadsMarkup)
        body = body.toHtmlEscaped();
    return body;
}

void DesktopNotifications::Show(const QString& title, const QString& text, BalloonIcon icon) {
    Q_UNUSED(icon);
    if (!bus_.isConnected())
        return;
    // The body is escaped only where the service reads markup, so the capabilities are asked
    // first; the notification waits for the answer without holding up the program.
    if (readsMarkup_) {
        Send({title, text});
        return;
    }
    waiting_.append({title, text});
    AskCapabilities();
}

void DesktopNotifications::AskCapabilities() {
    if (askingCapabilities_)
        return;
    askingCapabilities_ = true;
    const QDBusMessage call = QDBusMessage::createMethodCall(ServiceName(), ObjectPath(), ServiceName(), QStringLiteral("GetCapabilities"));
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        askingCapabilities_ = false;
        const QDBusPendingReply<QStringList> reply = *w;
        if (reply.isError()) {
            // No service: the waiting notifications are lost, as a balloon without a tray would be.
            waiting_.clear();
            return;
        }
        readsMarkup_ = reply.value().contains(QStringLiteral("body-markup"));
        const QVector<Pending> waiting = std::exchange(waiting_, {});
        for (const Pending& p : waiting)
            Send(p);
    });
}

void DesktopNotifications::Send(const Pending& notification) {
    const QString iconFile = Paths::ProgramFolder() + QStringLiteral("/images/postfalke.png");
    const QString icon = QFileInfo(iconFile).isFile() ? QFileInfo(iconFile).absoluteFilePath() : QString();
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("postfalke"));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
    const QStringList actions = {QStringLiteral("default"), QStringLiteral("E-Mail Programm starten")};

    QDBusMessage call = QDBusMessage::createMethodCall(ServiceName(), ObjectPath(), ServiceName(), QStringLiteral("Notify"));
    call << QStringLiteral("Postfalke") << (shown_.contains(lastId_) ? lastId_ : 0u) << icon << notification.title
         << BodyText(notification.text, readsMarkup_.value_or(false)) << actions << hints << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError())
            return;
        lastId_ = reply.value();
        shown_.insert(lastId_);
    });
}

void DesktopNotifications::OnActionInvoked(uint id, const QString& actionKey) {
    Q_UNUSED(actionKey);
    // Every action of the program's notifications means the same: start the e-mail program.
    if (shown_.contains(id))
        emit Clicked();
}

void DesktopNotifications::OnNotificationClosed(uint id, uint reason) {
    Q_UNUSED(reason);
    shown_.remove(id);
}
