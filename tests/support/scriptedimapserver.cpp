#include "scriptedimapserver.h"

#include "localport.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

ScriptedImapServer::ScriptedImapServer(QObject* parent) : QObject(parent) {
    greeting_ = {"* OK [CAPABILITY IMAP4rev1] Scripted server ready.\r\n"};
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
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            buffers_.remove(socket);
            socket->deleteLater();
        });
        send(socket, greeting_, closeAfter_.isEmpty());
    }
}

void ScriptedImapServer::onReadyRead(QTcpSocket* socket) {
    QByteArray& buffer = buffers_[socket];
    buffer += socket->readAll();
    for (qsizetype end = buffer.indexOf("\r\n"); end >= 0; end = buffer.indexOf("\r\n")) {
        const QByteArray line = buffer.left(end);
        buffer.remove(0, end + 2);
        commands_ << line;
        const QByteArray tag = line.left(line.indexOf(' '));
        send(socket, replies_.value(tag), !closeAfter_.isEmpty() && tag == closeAfter_);
    }
}

void ScriptedImapServer::send(QTcpSocket* socket, Chunks chunks, bool closeAfter) {
    if (chunks.isEmpty()) {
        if (closeAfter)
            socket->disconnectFromHost();
        return;
    }
    socket->write(chunks.takeFirst());
    socket->flush();
    if (chunks.isEmpty() && closeAfter) {
        socket->disconnectFromHost();
        return;
    }
    if (!chunks.isEmpty()) {
        QPointer<QTcpSocket> guarded(socket);
        QTimer::singleShot(pauseMs_, this, [this, guarded, chunks, closeAfter] {
            if (guarded && guarded->state() == QAbstractSocket::ConnectedState)
                send(guarded, chunks, closeAfter);
        });
    }
}
