#include "recordingrelay.h"

#include "localport.h"

#include <QTcpSocket>

RecordingRelay::RecordingRelay(quint16 target, QObject* parent) : QObject(parent), target_(target) {
    ListenOnTestPort(server_);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* client = server_.nextPendingConnection()) {
            auto* upstream = new QTcpSocket(client);
            connect(client, &QTcpSocket::readyRead, upstream, [this, client, upstream] {
                const QByteArray bytes = client->readAll();
                fromClient_ += bytes;
                upstream->write(bytes);
            });
            connect(upstream, &QTcpSocket::readyRead, client, [client, upstream] { client->write(upstream->readAll()); });
            connect(upstream, &QTcpSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
            connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
            upstream->connectToHost(QHostAddress::LocalHost, target_);
        }
    });
}
