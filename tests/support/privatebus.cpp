#include "privatebus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFile>
#include <QNetworkInformation>
#include <QStandardPaths>
#include <QTest>

PrivateBus::~PrivateBus() {
    daemon_.terminate();
    daemon_.waitForFinished(3000);
}

bool PrivateBus::start() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    QFile config(dir_.filePath(QStringLiteral("bus.conf")));
    if (program.isEmpty() || !config.open(QIODevice::WriteOnly))
        return false;
    config.write("<busconfig><type>session</type><listen>unix:dir=" + dir_.path().toUtf8() +
                 "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
                 "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    config.close();
    daemon_.start(program, {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
    if (!daemon_.waitForReadyRead(5000))
        return false;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    return !address_.isEmpty();
}

namespace {
QDBusConnection StandIns() { return QDBusConnection(QStringLiteral("stand-ins")); }

bool Send(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal.setArguments(arguments);
    return StandIns().send(signal);
}
}  // namespace

SystemBusStandIns::~SystemBusStandIns() {
    QDBusConnection::disconnectFromBus(QStringLiteral("stand-ins"));
    thread_.quit();
    thread_.wait();
}

bool SystemBusStandIns::claimNames() {
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address().toUtf8());
    thread_.start();
    manager_.moveToThread(&thread_);
    return QDBusConnection::connectToBus(address(), QStringLiteral("stand-ins")).isConnected() &&
           StandIns().registerObject(QStringLiteral("/org/freedesktop/NetworkManager"), &manager_,
                                     QDBusConnection::ExportAllProperties) &&
           StandIns().registerService(QStringLiteral("org.freedesktop.NetworkManager")) &&
           StandIns().registerService(QStringLiteral("org.freedesktop.login1"));
}

bool SystemBusStandIns::prepareForSleep(bool sleeping) {
    return Send(QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
                QStringLiteral("PrepareForSleep"), {sleeping});
}

bool SystemBusStandIns::setNetwork(uint state, uint connectivity) {
    manager_.state = state;
    manager_.connectivity = connectivity;
    const QVariantMap changed{{QStringLiteral("State"), state}, {QStringLiteral("Connectivity"), connectivity}};
    if (!Send(QStringLiteral("/org/freedesktop/NetworkManager"), QStringLiteral("org.freedesktop.DBus.Properties"),
              QStringLiteral("PropertiesChanged"),
              {QStringLiteral("org.freedesktop.NetworkManager"), changed, QStringList()}))
        return false;
    using Reachability = QNetworkInformation::Reachability;
    const Reachability expected = state == 70 ? Reachability::Online
                                  : state == 20 ? Reachability::Disconnected
                                                : Reachability::Local;
    const QNetworkInformation* information = QNetworkInformation::instance();
    return information && QTest::qWaitFor([&] { return information->reachability() == expected; }, 5000);
}
