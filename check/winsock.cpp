#include "check/winsock.h"

#include "check/socketerror.h"
#include "core/runtimeerror.h"

#include <QTcpSocket>

Winsock::Winsock(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
    socket_->setReadBufferSize(ReadBufferBytes);
    // Data is read only from the event loop, so it is delivered at once. Close and error can be
    // raised by Qt inside connectToHost, write or abort; they are queued so that they reach the
    // handlers from the event loop, tagged with the connection they belong to.
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
        if (socket_->bytesAvailable() > 0)
            emit DataArrival(socket_->bytesAvailable());
    });
    connect(socket_, &QTcpSocket::disconnected, this, [this] {
        if (closing_)
            return;
        const quint64 generation = generation_;
        QMetaObject::invokeMethod(
            this, [this, generation] {
                if (generation == generation_)
                    emit PeerClosed();
            },
            Qt::QueuedConnection);
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // The peer closing the connection is the close event, not an error.
        if (closing_ || error == QAbstractSocket::RemoteHostClosedError)
            return;
        const quint64 generation = generation_;
        const int number = WinsockErrorNumber(error);
        const QString description = socket_->errorString();
        QMetaObject::invokeMethod(
            this, [this, generation, number, description] {
                if (generation == generation_)
                    emit Error(number, description);
            },
            Qt::QueuedConnection);
    });
}

Winsock::~Winsock() {
    closing_ = true;
    socket_->abort();
}

void Winsock::Connect(const QString& host, int port) {
    if (!IsClosed())
        throw RuntimeError(40020, QStringLiteral("Unzulässiger Vorgang im aktuellen Zustand"));
    ++generation_;
    socket_->connectToHost(host, quint16(port));
}

void Winsock::SendData(const QByteArray& bytes) {
    if (socket_->state() != QAbstractSocket::ConnectedState)
        throw RuntimeError(40006, QStringLiteral("Falsches Protokoll oder falscher Verbindungszustand für die angeforderte Transaktion"));
    socket_->write(bytes);
}

QByteArray Winsock::GetData() { return socket_->readAll(); }

void Winsock::Close() {
    ++generation_;
    closing_ = true;
    // What was sent last (a LOGOUT) still goes out before the connection is dropped.
    if (socket_->state() == QAbstractSocket::ConnectedState)
        socket_->flush();
    socket_->abort();
    closing_ = false;
}

bool Winsock::IsClosed() const { return socket_->state() == QAbstractSocket::UnconnectedState; }
