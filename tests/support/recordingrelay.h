#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>

// A TCP relay on 127.0.0.1 in front of a real server that keeps every byte the client sent, as
// the server received it: what a listener on the wire would see.
class RecordingRelay : public QObject {
    Q_OBJECT
public:
    // Relays to 127.0.0.1 at the target port.
    explicit RecordingRelay(quint16 target, QObject* parent = nullptr);

    quint16 port() const { return server_.serverPort(); }
    // Everything the clients sent, in order.
    const QByteArray& fromClient() const { return fromClient_; }

private:
    QTcpServer server_;
    quint16 target_;
    QByteArray fromClient_;
};
