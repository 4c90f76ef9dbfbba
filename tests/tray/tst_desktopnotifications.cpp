#include "tray/desktopnotifications.h"

#include "privatebus.h"

#include <QDBusMessage>
#include <QtTest>

// The desktop's notification service as the tests play it, on a private bus.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities;
    QList<QVariantList> calls;  // the arguments of every Notify
    uint nextId = 40;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout) {
        calls.append({app, replaces, icon, summary, body, actions, hints, timeout});
        return ++nextId;  // a new id each time, so that the client's switch to it can be waited for
    }
};

class TestDesktopNotifications : public QObject {
    Q_OBJECT
    PrivateBus bus_;
    FakeNotificationServer server_;

    static QDBusConnection ServerBus() { return QDBusConnection(QStringLiteral("notification-server")); }

    void Emit(const char* name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(DesktopNotifications::ObjectPath(), DesktopNotifications::ServiceName(),
                                                         QString::fromLatin1(name));
        signal.setArguments(arguments);
        QVERIFY(ServerBus().send(signal));
    }

    // Shows one notification and waits until its id has come back from the service.
    uint ShowOne(DesktopNotifications& n, const QString& text) {
        const qsizetype before = server_.calls.size();
        n.Show(QStringLiteral("E-Mails eingetroffen"), text, BalloonIcon::Information);
        const bool answered = QTest::qWaitFor([&] { return server_.calls.size() > before && n.CurrentId() == server_.nextId; }, 5000);
        return answered ? n.CurrentId() : 0;
    }

private slots:
    void initTestCase() {
        if (!bus_.start())
            QSKIP("dbus-daemon is not installed (scripts/deps installs it)");
        QVERIFY(QDBusConnection::connectToBus(bus_.address(), QStringLiteral("notification-server")).isConnected());
        QVERIFY(QDBusConnection::connectToBus(bus_.address(), QStringLiteral("postfalke")).isConnected());
        QVERIFY(ServerBus().registerObject(DesktopNotifications::ObjectPath(), &server_, QDBusConnection::ExportAllSlots));
        QVERIFY(ServerBus().registerService(DesktopNotifications::ServiceName()));
    }
    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(QStringLiteral("notification-server"));
        QDBusConnection::disconnectFromBus(QStringLiteral("postfalke"));
    }

    // The balloon with a click action; the body with plain line feeds, escaped only for a service
    // that reads markup. A later balloon replaces the earlier one. A click on one of the program's
    // notifications is reported, a click on another program's or on a closed one is not.
    void notificationsAndClicks_data() {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("click");
        QTest::addColumn<int>("clicks");
        QTest::newRow("the program's notification, markup") << true << "own" << 1;
        QTest::newRow("another program's notification, plain") << false << "foreign" << 0;
        QTest::newRow("closed before the click arrives") << true << "closed" << 0;
    }
    void notificationsAndClicks() {
        QFETCH(bool, markup);
        QFETCH(QString, click);
        QFETCH(int, clicks);
        server_.calls.clear();
        server_.capabilities = markup ? QStringList{"actions", "body", "body-markup"} : QStringList{"actions", "body"};
        DesktopNotifications n(QDBusConnection(QStringLiteral("postfalke")));
        QSignalSpy clicked(&n, &DesktopNotifications::Clicked);
        const uint id = ShowOne(n, QStringLiteral("\r\na@b.de\tEingang & <Archiv>\t 3\r\n"));
        QVERIFY(id != 0);
        const QVariantList call = server_.calls.value(0);
        QCOMPARE(call.value(0).toString(), QStringLiteral("Postfalke"));
        QCOMPARE(call.value(4).toString(), markup ? QStringLiteral("\na@b.de\tEingang &amp; &lt;Archiv&gt;\t 3\n")
                                                  : QStringLiteral("\na@b.de\tEingang & <Archiv>\t 3\n"));
        QCOMPARE(call.value(5).toStringList().value(0), QStringLiteral("default"));
        if (click == QLatin1String("closed"))
            Emit("NotificationClosed", {id, 2u});
        Emit("ActionInvoked", {click == QLatin1String("foreign") ? id + 100 : id, QStringLiteral("default")});
        // A later notification replaces this one. Its id comes back after the signals above, so once
        // the client has it they have been handled.
        QVERIFY(ShowOne(n, QStringLiteral("later")) != 0);
        if (click != QLatin1String("closed"))
            QCOMPARE(server_.calls.value(1).value(1).toUInt(), id);
        QCOMPARE(clicked.count(), clicks);
    }
};

QTEST_MAIN(TestDesktopNotifications)
#include "tst_desktopnotifications.moc"
