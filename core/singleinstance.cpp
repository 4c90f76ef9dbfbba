#include "core/singleinstance.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
const QByteArray kShowAnswer = QByteArrayLiteral("ok\n");
constexpr int kDefaultAnswerTimeoutMs = 5000;
const QString kSocketName = QStringLiteral("postfalke.socket");

#ifdef Q_OS_UNIX
// The file at path, not following a symbolic link, belongs to another user.
bool OwnedByOther(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && st.st_uid != ::geteuid();
}

// A folder (not a link to one) of the user's own that nobody else can write into.
bool IsPrivateFolder(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// The folder at path, made 0700 when it is missing, if it is private.
bool MakePrivateFolder(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    ::mkdir(QFile::encodeName(path).constData(), 0700);
    return IsPrivateFolder(path);
}

// A socket path must fit into sockaddr_un.
bool FitsSocketAddress(const QString& path) {
    return size_t(QFile::encodeName(path).size()) < sizeof(sockaddr_un::sun_path);
}
#endif
}  // namespace

QString SingleInstance::DefaultServerName() {
#ifdef Q_OS_UNIX
    // The runtime folder belongs to the user alone. Without one a folder of the user's own is
    // made: in the cache folder of the home, else in the temporary folder under the user's id; a
    // folder there that someone else made first is not used.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && IsPrivateFolder(runtime) && FitsSocketAddress(runtime + QLatin1Char('/') + kSocketName))
        return QDir(runtime).filePath(kSocketName);
    const QString own[] = {
        QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/postfalke"),
        QDir::tempPath() + QStringLiteral("/postfalke-%1").arg(uint(::geteuid())),
    };
    for (const QString& folder : own) {
        const QString name = folder + QLatin1Char('/') + kSocketName;
        if (QDir::isAbsolutePath(folder) && FitsSocketAddress(name) && MakePrivateFolder(folder))
            return name;
    }
    return QString();
#else
    QString user = qEnvironmentVariable("USERNAME");
    if (user.isEmpty())
        user = QDir::homePath();
    const QByteArray hash = QCryptographicHash::hash(user.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("postfalke-") + QString::fromLatin1(hash);
#endif
}

QString SingleInstance::NotAnsweringText() {
    return QStringLiteral("\r\nPostfalke läuft bereits, antwortet aber nicht.\r\n\r\n"
                          "Beenden Sie das laufende Postfalke und starten Sie es danach erneut.\r\n");
}

SingleInstance::SingleInstance(QObject* parent) : SingleInstance(DefaultServerName(), parent) {}

SingleInstance::SingleInstance(const QString& serverName, QObject* parent)
    : QObject(parent), serverName_(serverName), answerTimeoutMs_(kDefaultAnswerTimeoutMs) {}

SingleInstance::~SingleInstance() {
    if (server_)
        server_->close();
}

bool SingleInstance::IsListening() const { return server_ && server_->isListening(); }

SingleInstance::Outcome SingleInstance::Start() {
    if (serverName_.isEmpty())
        return Outcome::First;  // no private place for the name: run without the guard
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (AskRunningInstance()) {
        case Ask::Answered:
            return Outcome::Running;
        case Ask::Silent:
            return Outcome::NotAnswering;
        case Ask::Foreign:
            return Outcome::First;
        case Ask::Absent:
            break;
        }
        if (Listen())
            return Outcome::First;
        // Two starts at the same moment: the other one got the name first; ask it once more.
    }
    // The name cannot be had at all; the program runs without this guard rather than not at all.
    return Outcome::First;
}

SingleInstance::Ask SingleInstance::AskRunningInstance() {
#ifdef Q_OS_UNIX
    if (OwnedByOther(serverName_))
        return Ask::Foreign;
#endif
    QLocalSocket socket;
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    bool answered = false;
    QByteArray received;
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::errorOccurred, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::disconnected, &loop, &QEventLoop::quit);
    connect(&socket, &QLocalSocket::connected, &loop, [&socket] { socket.write(kShowRequest); });
    connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        received += socket.readAll();
        if (received.startsWith(kShowAnswer)) {
            answered = true;
            loop.quit();
        } else if (received.size() >= kShowAnswer.size()) {
            loop.quit();  // something else answers on the name
        }
    });
    limit.start(answerTimeoutMs_);
    socket.connectToServer(serverName_);
    // Served in a loop of its own, so that a first instance in this very process can answer too.
    if (socket.state() != QLocalSocket::UnconnectedState)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (answered) {
        socket.disconnectFromServer();
        return Ask::Answered;
    }
    const QLocalSocket::LocalSocketError error = socket.error();
    socket.abort();
    // Nobody listens on the name (or there is none): it may be taken. Anything else - a connection
    // that is not served, a queue that is full, a wrong answer - means a running instance that
    // does not answer, and its name stays its own.
    if (error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError)
        return Ask::Absent;
    return Ask::Silent;
}

bool SingleInstance::Listen() {
    if (!server_) {
        server_ = new QLocalServer(this);
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    }
    if (server_->listen(serverName_))
        return true;
    if (server_->serverError() != QAbstractSocket::AddressInUseError)
        return false;
#ifdef Q_OS_UNIX
    if (OwnedByOther(serverName_))
        return false;
#endif
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
            if (line != kShowRequest) {
                socket->disconnectFromServer();
                return;
            }
            socket->write(kShowAnswer);
            socket->flush();
            emit ShowRequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}
