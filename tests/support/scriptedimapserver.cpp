#include "scriptedimapserver.h"

#include "localport.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

ScriptedImapServer::ScriptedImapServer(QObject* parent) : QObject(parent) {
    replies_["A001"] = {"A001 OK Logged in\r\n"};
    setRecent(0);
    replies_["A004"] = {"* BYE Logging out\r\nA004 OK Logout completed.\r\n"};
    connect(&server_, &QTcpServer::newConnection, this, &ScriptedImapServer::onConnection);
    ListenOnTestPort(server_);
}

ScriptedImapServer::~ScriptedImapServer() {
    // The connections go with the listening server; they must not call back into this half-gone object.
    for (QTcpSocket* socket : buffers_.keys())
        socket->disconnect(this);
}

void ScriptedImapServer::setRecent(int recent) {
    replies_["A002"] = {"* FLAGS (\\Answered \\Seen)\r\n* 5 EXISTS\r\n* " + QByteArray::number(recent) +
                        " RECENT\r\nA002 OK [READ-ONLY] Examine completed.\r\n"};
}

void ScriptedImapServer::sendToAll(const QByteArray& bytes) {
    for (QTcpSocket* socket : buffers_.keys())
        socket->write(bytes);
}

void ScriptedImapServer::onConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections_;
        buffers_.insert(socket, QByteArray());
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            QByteArray buffer = buffers_.value(socket) + socket->readAll();
            // An answer that closes may end the connection (and its buffer) at once.
            for (qsizetype end = buffer.indexOf("\r\n"); end >= 0 && buffers_.contains(socket); end = buffer.indexOf("\r\n")) {
                commands_ << buffer.left(end);
                buffer.remove(0, end + 2);
                const QByteArray tag = commands_.last().left(commands_.last().indexOf(' '));
                send(socket, replies_.value(tag), !closeAfter_.isEmpty() && tag == closeAfter_);
            }
            if (buffers_.contains(socket))
                buffers_[socket] = buffer;
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            buffers_.remove(socket);
            socket->deleteLater();
        });
        send(socket, greeting_, closeAfter_.isEmpty());
    }
}

void ScriptedImapServer::send(QTcpSocket* socket, Chunks chunks, bool closeAfter) {
    if (!chunks.isEmpty()) {
        socket->write(chunks.takeFirst());
        socket->flush();
    }
    if (chunks.isEmpty()) {
        if (closeAfter)
            socket->disconnectFromHost();
        return;
    }
    QPointer<QTcpSocket> guarded(socket);
    QTimer::singleShot(30, this, [this, guarded, chunks, closeAfter] {
        if (guarded && guarded->state() == QAbstractSocket::ConnectedState)
            send(guarded, chunks, closeAfter);
    });
}
