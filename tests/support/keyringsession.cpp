#include "keyringsession.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

namespace {
const QString kBusName = QStringLiteral("keyring-session-test");
const QString kSecrets = QStringLiteral("org.freedesktop.secrets");
const QString kLogin = QStringLiteral("/org/freedesktop/secrets/collection/login");
const char kPassword[] = "postfalke-test";

// A blocking call on the secrets service's own object.
QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& arguments) {
    const QString path = QStringLiteral("/org/freedesktop/secrets");
    QDBusMessage call = QDBusMessage::createMethodCall(kSecrets, path, interface, method);
    call.setArguments(arguments);
    return QDBusConnection(kBusName).call(call, QDBus::Block, 5000);
}
}  // namespace

KeyringSession::KeyringSession() {
    const QString home = dir_.filePath(QStringLiteral("home"));
    const QString runtime = dir_.filePath(QStringLiteral("run"));
    QDir().mkpath(home);
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home + QStringLiteral("/.local/share")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/.config")));
    // QtKeychain picks KWallet on a KDE desktop; here the Secret Service is wanted.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "KDE_SESSION_VERSION", "DESKTOP_SESSION"})
        qunsetenv(name);

    if (!bus_.start())
        return;
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus_.address().toUtf8());
    environment_ = QProcessEnvironment::systemEnvironment();
    QDBusConnection::connectToBus(bus_.address(), kBusName);
}

KeyringSession::~KeyringSession() {
    QDBusConnection::disconnectFromBus(kBusName);
    keyring_.terminate();
    if (!keyring_.waitForFinished(3000))
        keyring_.kill();
    keyring_.waitForFinished(3000);
}

bool KeyringSession::StartKeyring() {
    if (!BusRunning())
        return false;
    if (KeyringRunning())
        return true;
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("gnome-keyring-daemon"));
    if (daemon.isEmpty())
        return false;
    keyring_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The session's environment, not a test case's: the daemon keeps its keyrings below
    // XDG_DATA_HOME for as long as it runs.
    keyring_.setProcessEnvironment(environment_);
    keyring_.start(daemon, {QStringLiteral("--unlock"), QStringLiteral("--components=secrets"), QStringLiteral("--foreground")});
    if (!keyring_.waitForStarted(5000))
        return false;
    // The login keyring's password on standard input; the keyring is created on first use.
    keyring_.write(kPassword);
    keyring_.closeWriteChannel();
    return QTest::qWaitFor([] {
        const QDBusConnection bus(kBusName);
        return bus.isConnected() && bus.interface()->isServiceRegistered(kSecrets).value();
    }, 10000);
}

bool KeyringSession::Unlock() {
    // gnome-keyring's own way to unlock without a prompt: a secret in a plain session.
    const QDBusMessage opened = Call(QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("OpenSession"),
                                     {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    if (opened.type() != QDBusMessage::ReplyMessage || opened.arguments().size() < 2)
        return false;
    QDBusArgument secret;
    secret.beginStructure();
    secret << opened.arguments().at(1).value<QDBusObjectPath>() << QByteArray() << QByteArray(kPassword)
           << QStringLiteral("text/plain");
    secret.endStructure();
    return Call(QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
                QStringLiteral("UnlockWithMasterPassword"),
                {QVariant::fromValue(QDBusObjectPath(kLogin)), QVariant::fromValue(secret)})
               .type() == QDBusMessage::ReplyMessage;
}

bool KeyringSession::Lock() {
    return Call(QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"),
                {QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(kLogin)})})
               .type() == QDBusMessage::ReplyMessage;
}
