#include "core/singleinstance.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
constexpr int kConnectTimeoutMs = 1000;
}  // namespace

QString SingleInstance::DefaultServerName() {
#ifdef Q_OS_UNIX
    // The runtime folder belongs to the user alone; elsewhere the name carries the user's id.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return QDir(runtime).filePath(QStringLiteral("postfalke.socket"));
    return QStringLiteral("postfalke-%1").arg(uint(::getuid()));
#else
    QString user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = QDir::homePath();
    const QByteArray hash = QCryptographicHash::hash(user.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("postfalke-") + QString::fromLatin1(hash);
#endif
}

SingleInstance::SingleInstance(QObject* parent) : SingleInstance(DefaultServerName(), parent) {}

SingleInstance::SingleInstance(const QString& serverName, QObject* parent) : QObject(parent), serverName_(serverName) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
}

bool SingleInstance::IsListening() const { return server_ && server_->isListening(); }

bool SingleInstance::AlreadyRunning() {
    if (AskRunningInstance())
        return true;
    if (Listen())
        return false;
    // Two starts at the same moment: the other one got the name first.
    if (AskRunningInstance())
        return true;
    // The name cannot be had at all; the program runs without this guard rather than not at all.
    return false;
}

bool SingleInstance::AskRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return false;
    socket.write(kShowRequest);
    socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(kConnectTimeoutMs);
    return true;
}

bool SingleInstance::Listen() {
    if (!server_) {
        server_ = new QLocalServer(this);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    }
    if (server_->listen(serverName_))
        return true;
    if (server_->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // Nobody answered on the name, so it is left over from a run that ended without closing it.
    QLocalServer::removeServer(serverName_);
    return server_->listen(serverName_);
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (!socket->canReadLine())
                return;
            const QByteArray line = socket->readLine();
            if (line == kShowRequest)
                emit ShowRequested();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}
