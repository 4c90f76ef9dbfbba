#include "testenvironment.h"
#include "tray/desktopnotifications.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// The desktop's notification service as the tests play it, on a private bus.
class FakeNotificationServer : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app;
        uint replaces = 0;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };
    QStringList capabilities;
    QVector<Call> calls;
    uint nextId = 40;

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout) {
        calls.append({app, replaces, icon, summary, body, actions, hints, timeout});
        return replaces != 0 ? replaces : ++nextId;
    }
};

class TestDesktopNotifications : public QObject {
    Q_OBJECT
    QProcess daemon_;
    QTemporaryDir busDir_;
    QString address_;
    FakeNotificationServer server_;
    std::unique_ptr<TestEnvironment> env_;

    QDBusConnection ServerBus() const { return QDBusConnection(QStringLiteral("notification-server")); }
    QDBusConnection ClientBus() const { return QDBusConnection(QStringLiteral("postfalke")); }

    void Emit(const char* name, const QVariantList& arguments) {
        QDBusMessage signal = QDBusMessage::createSignal(DesktopNotifications::ObjectPath(), DesktopNotifications::ServiceName(),
                                                         QString::fromLatin1(name));
        signal.setArguments(arguments);
        QVERIFY(ServerBus().send(signal));
    }

    // Shows one notification and waits until its id has come back from the service.
    uint ShowOne(DesktopNotifications& n, const QString& text) {
        const int before = int(server_.calls.size());
        n.Show(QStringLiteral("E-Mails eingetroffen"), text, 1);
        const auto answered = [&] {
            if (server_.calls.size() <= before)
                return false;
            const uint replaced = server_.calls.last().replaces;
            return n.CurrentId() == (replaced != 0 ? replaced : server_.nextId);
        };
        if (!QTest::qWaitFor(answered, 5000))
            return 0;
        return n.CurrentId();
    }

private slots:
    void initTestCase() {
        const QString dbusDaemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (dbusDaemon.isEmpty())
            QSKIP("dbus-daemon is not installed (scripts/deps installs it)");
        // A bus of its own: no service files, so nothing is activatable but what the test registers.
        const QString config = busDir_.filePath(QStringLiteral("bus.conf"));
        QFile f(config);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig><type>session</type><listen>unix:dir=" +
                busDir_.path().toUtf8() +
                "</listen><auth>EXTERNAL</auth>"
                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        f.close();
        daemon_.start(dbusDaemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                                   QStringLiteral("--print-address=1")});
        QVERIFY(daemon_.waitForStarted());
        QVERIFY(daemon_.waitForReadyRead(5000));
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        QVERIFY(!address_.isEmpty());

        QVERIFY(QDBusConnection::connectToBus(address_, QStringLiteral("notification-server")).isConnected());
        QVERIFY(QDBusConnection::connectToBus(address_, QStringLiteral("postfalke")).isConnected());
        QVERIFY(ServerBus().registerObject(DesktopNotifications::ObjectPath(), &server_, QDBusConnection::ExportAllSlots));
    }

    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(QStringLiteral("notification-server"));
        QDBusConnection::disconnectFromBus(QStringLiteral("postfalke"));
        if (daemon_.state() != QProcess::NotRunning) {
            daemon_.terminate();
            daemon_.waitForFinished(3000);
        }
    }

    void init() {
        env_ = std::make_unique<TestEnvironment>();
        server_.calls.clear();
        server_.capabilities = {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};
        QVERIFY(ServerBus().registerService(DesktopNotifications::ServiceName()));
    }

    void cleanup() {
        ServerBus().unregisterService(DesktopNotifications::ServiceName());
        ServerBus().unregisterService(DesktopNotifications::StatusNotifierWatcherName());
        env_.reset();
    }

    void withoutServiceNothingFails() {
        ServerBus().unregisterService(DesktopNotifications::ServiceName());
        DesktopNotifications n(ClientBus());
        QVERIFY(!n.ServiceAvailable());
        n.Show(QStringLiteral("E-Mails eingetroffen"), QStringLiteral("text"), 1);
        QTest::qWait(100);
        QVERIFY(server_.calls.isEmpty());

        DesktopNotifications disconnected(QDBusConnection(QStringLiteral("no-such-connection")));
        QVERIFY(!disconnected.ServiceAvailable());
        QVERIFY(!disconnected.StatusNotifierHostPresent());
        disconnected.Show(QStringLiteral("E-Mails eingetroffen"), QStringLiteral("text"), 1);
    }

    void notificationCarriesTheBalloonAndAClickAction() {
        DesktopNotifications n(ClientBus());
        QVERIFY(n.ServiceAvailable());
        ShowOne(n, QStringLiteral("\r\na@example.org\tINBOX\t 3\r\n\r\nKlicken Sie hier um das E-Mail Programm zu starten."));
        QCOMPARE(server_.calls.size(), 1);
        const FakeNotificationServer::Call& c = server_.calls.first();
        QCOMPARE(c.app, QStringLiteral("Postfalke"));
        QCOMPARE(c.replaces, 0u);
        QCOMPARE(c.summary, QStringLiteral("E-Mails eingetroffen"));
        QCOMPARE(c.body, QStringLiteral("\na@example.org\tINBOX\t 3\n\nKlicken Sie hier um das E-Mail Programm zu starten."));
        QVERIFY(c.actions.size() >= 2);
        QCOMPARE(c.actions.at(0), QStringLiteral("default"));
        QCOMPARE(c.timeout, -1);
        QCOMPARE(c.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("postfalke"));
    }

    void clicks_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("expectedClicks");
        QTest::newRow("default action on the program's notification") << "default" << 1;
        QTest::newRow("the action button") << "button" << 1;
        QTest::newRow("another program's notification") << "foreign" << 0;
        QTest::newRow("closed before the click arrives") << "closed" << 0;
    }

    void clicks() {
        QFETCH(QString, what);
        QFETCH(int, expectedClicks);
        DesktopNotifications n(ClientBus());
        QSignalSpy clicked(&n, &DesktopNotifications::Clicked);
        const uint id = ShowOne(n, QStringLiteral("text"));
        QVERIFY(id != 0);
        if (what == QLatin1String("default"))
            Emit("ActionInvoked", {id, QStringLiteral("default")});
        else if (what == QLatin1String("button"))
            Emit("ActionInvoked", {id, server_.calls.last().actions.value(0)});
        else if (what == QLatin1String("foreign"))
            Emit("ActionInvoked", {id + 100, QStringLiteral("default")});
        else {
            Emit("NotificationClosed", {id, 2u});
            Emit("ActionInvoked", {id, QStringLiteral("default")});
        }
        // A marker signal after the one under test: once it is seen, the one before was handled.
        QSignalSpy marker(&n, &DesktopNotifications::Clicked);
        if (expectedClicks == 0) {
            const uint other = ShowOne(n, QStringLiteral("marker"));
            Emit("ActionInvoked", {other, QStringLiteral("default")});
            QTRY_COMPARE(marker.count(), 1);
            QCOMPARE(clicked.count(), 1);  // the marker's click only
        } else {
            QTRY_COMPARE(clicked.count(), expectedClicks);
        }
    }

    void laterNotificationReplacesTheEarlier() {
        DesktopNotifications n(ClientBus());
        const uint first = ShowOne(n, QStringLiteral("eins"));
        QVERIFY(first != 0);
        QCOMPARE(ShowOne(n, QStringLiteral("zwei")), first);
        QCOMPARE(server_.calls.size(), 2);
        QCOMPARE(server_.calls.at(1).replaces, first);
    }

    void markupOnlyWhereTheServiceReadsIt_data() {
        QTest::addColumn<bool>("markup");
        QTest::addColumn<QString>("expectedBody");
        QTest::newRow("service reads markup") << true << QStringLiteral("a@b.de\tEingang &amp; &lt;Archiv&gt;\t 3");
        QTest::newRow("plain service") << false << QStringLiteral("a@b.de\tEingang & <Archiv>\t 3");
    }

    void markupOnlyWhereTheServiceReadsIt() {
        QFETCH(bool, markup);
        QFETCH(QString, expectedBody);
        server_.capabilities = markup ? QStringList{"actions", "body", "body-markup"} : QStringList{"actions", "body"};
        DesktopNotifications n(ClientBus());
        ShowOne(n, QStringLiteral("a@b.de\tEingang & <Archiv>\t 3"));
        QCOMPARE(server_.calls.size(), 1);
        QCOMPARE(server_.calls.first().body, expectedBody);
    }

    void statusNotifierHost_data() {
        QTest::addColumn<bool>("watcher");
        QTest::newRow("StatusNotifierWatcher on the bus") << true;
        QTest::newRow("no watcher") << false;
    }

    void statusNotifierHost() {
        QFETCH(bool, watcher);
        if (watcher)
            QVERIFY(ServerBus().registerService(DesktopNotifications::StatusNotifierWatcherName()));
        DesktopNotifications n(ClientBus());
        QCOMPARE(n.StatusNotifierHostPresent(), watcher);
    }
};

QTEST_MAIN(TestDesktopNotifications)
#include "tst_desktopnotifications.moc"
