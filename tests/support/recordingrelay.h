#pragma once

#include <QByteArray>
#include <QObject>
#include <QTcpServer>

// A TCP relay on 127.0.0.1 in front of the server at the target port that keeps every byte the
// clients sent: what a listener on the wire would see.
class RecordingRelay : public QObject {
    Q_OBJECT
public:
    explicit RecordingRelay(quint16 target, QObject* parent = nullptr);

    quint16 port() const { return server_.serverPort(); }
    const QByteArray& fromClient() const { return fromClient_; }

private:
    QTcpServer server_;
    quint16 target_;
    QByteArray fromClient_;
};
