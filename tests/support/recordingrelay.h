#pragma once

#include "localport.h"

#include <QTcpSocket>

// A TCP relay on 127.0.0.1 in front of the server at the target port that keeps every byte the
// clients sent: what a listener on the wire would see.
class RecordingRelay : public QObject {
public:
    explicit RecordingRelay(quint16 target) {
        ListenOnTestPort(server_);
        connect(&server_, &QTcpServer::newConnection, this, [this, target] {
            while (QTcpSocket* client = server_.nextPendingConnection()) {
                auto* upstream = new QTcpSocket(client);
                connect(client, &QTcpSocket::readyRead, upstream, [this, client, upstream] {
                    const QByteArray bytes = client->readAll();
                    fromClient_ += bytes;
                    upstream->write(bytes);
                });
                connect(upstream, &QTcpSocket::readyRead, client,
                        [client, upstream] { client->write(upstream->readAll()); });
                connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
                connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
                upstream->connectToHost(QHostAddress::LocalHost, target);
            }
        });
    }

    quint16 port() const { return server_.serverPort(); }
    const QByteArray& fromClient() const { return fromClient_; }

private:
    QTcpServer server_;
    QByteArray fromClient_;
};
