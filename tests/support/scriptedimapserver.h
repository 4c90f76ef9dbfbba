#pragma once

#include "localport.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// A small IMAP server on 127.0.0.1 that answers as its script says. Unchanged it is friendly:
// greeting, "A001 OK", "* 0 RECENT" with "A002 OK", "* BYE" with "A004 OK", then close. Every
// answer is a list of chunks; each chunk is one write, the next follows after a short pause.
class ScriptedImapServer : public QObject {
public:
    using Chunks = QList<QByteArray>;

    ScriptedImapServer() {
        replies_["A001"] = {"A001 OK Logged in\r\n"};
        setRecent(0);
        replies_["A004"] = {"* BYE Logging out\r\nA004 OK Logout completed.\r\n"};
        connect(&server_, &QTcpServer::newConnection, this, &ScriptedImapServer::onConnection);
        ListenOnTestPort(server_);
    }
    ~ScriptedImapServer() override {
        // The connections go with the listening server; they must not call back into this half-gone object.
        for (QTcpSocket* socket : buffers_.keys())
            socket->disconnect(this);
    }

    quint16 port() const { return server_.serverPort(); }
    // What a client gets when it connects; empty: the server never greets.
    void setGreeting(const Chunks& chunks) { greeting_ = chunks; }
    // The answer to the command with this tag; empty: no answer.
    void setReply(const QByteArray& tag, const Chunks& chunks) { replies_[tag] = chunks; }
    // The friendly EXAMINE answer with this recent count.
    void setRecent(int recent) {
        replies_["A002"] = {"* FLAGS (\\Answered \\Seen)\r\n* 5 EXISTS\r\n* " + QByteArray::number(recent) +
                            " RECENT\r\nA002 OK [READ-ONLY] Examine completed.\r\n"};
    }
    // Closes after answering the command with this tag (empty: right after the greeting).
    void setCloseAfter(const QByteArray& tag) { closeAfter_ = tag; }
    // Sends bytes on every open connection now.
    void sendToAll(const QByteArray& bytes) {
        for (QTcpSocket* socket : buffers_.keys())
            socket->write(bytes);
    }

    // Every command line received, in order, without CR LF.
    const QList<QByteArray>& commands() const { return commands_; }
    int connectionCount() const { return connections_; }

private:
    void onConnection() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++connections_;
            buffers_.insert(socket, QByteArray());
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                QByteArray buffer = buffers_.value(socket) + socket->readAll();
                // An answer that closes may end the connection (and its buffer) at once.
                for (qsizetype end = buffer.indexOf("\r\n"); end >= 0 && buffers_.contains(socket);
                     end = buffer.indexOf("\r\n")) {
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
    void send(QTcpSocket* socket, Chunks chunks, bool closeAfter) {
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

    QTcpServer server_;
    Chunks greeting_{"* OK [CAPABILITY IMAP4rev1] Scripted server ready.\r\n"};
    QHash<QByteArray, Chunks> replies_;
    QByteArray closeAfter_ = "A004";
    QList<QByteArray> commands_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    int connections_ = 0;
};
