#include "check/winsock.h"

#include "check/certificatecheck.h"
#include "check/socketerror.h"
#include "core/runtimeerror.h"

#include <QSslSocket>

Winsock::Winsock(QObject* parent) : QObject(parent), socket_(new QSslSocket(this)) {
    socket_->setReadBufferSize(ReadBufferBytes);
    // Data is read only from the event loop, so it is delivered at once. Close and error can be
    // raised by Qt inside connectToHost, write or abort; they are queued so that they reach the
    // handlers from the event loop, tagged with the connection they belong to.
    connect(socket_, &QSslSocket::readyRead, this, [this] {
        if (socket_->bytesAvailable() > 0)
            emit DataArrival(socket_->bytesAvailable());
    });
    connect(socket_, &QSslSocket::disconnected, this, [this] {
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
    connect(socket_, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // The peer closing the connection is the close event, not an error.
        if (closing_ || error == QAbstractSocket::RemoteHostClosedError)
            return;
        const quint64 generation = generation_;
        if (error == QAbstractSocket::SslHandshakeFailedError && !refusedErrors_.isEmpty()) {
            const QSslCertificate certificate = socket_->peerCertificate();
            const QStringList errors = refusedErrors_;
            refusedErrors_.clear();
            QMetaObject::invokeMethod(
                this, [this, generation, certificate, errors] {
                    if (generation == generation_)
                        emit CertificateRejected(certificate, errors);
                },
                Qt::QueuedConnection);
            return;
        }
        const int number = WinsockErrorNumber(error);
        const QString description = socket_->errorString();
        QMetaObject::invokeMethod(
            this, [this, generation, number, description] {
                if (generation == generation_)
                    emit Error(number, description);
            },
            Qt::QueuedConnection);
    });
    // A certificate with errors is forgiven only when it is exactly the trusted one; otherwise the
    // handshake fails and nothing more is sent on this connection.
    connect(socket_, &QSslSocket::sslErrors, this, [this](const QList<QSslError>& errors) {
        const QSslCertificate certificate = socket_->peerCertificate();
        if (Tls::Matches(trustedFingerprint_, certificate)) {
            socket_->ignoreSslErrors(errors);
            return;
        }
        refusedErrors_.clear();
        for (const QSslError& error : errors)
            refusedErrors_ << error.errorString();
    });
    // Emitted right away so that the session line comes before the first data it decrypts.
    connect(socket_, &QSslSocket::encrypted, this, [this] {
        emit Encrypted(Tls::SessionText(socket_->sessionProtocol(), socket_->sessionCipher()));
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
    PrepareEncryption(QString());
    socket_->connectToHost(host, quint16(port));
}

void Winsock::ConnectEncrypted(const QString& host, int port, const QString& trustedFingerprint) {
    if (!IsClosed())
        throw RuntimeError(40020, QStringLiteral("Unzulässiger Vorgang im aktuellen Zustand"));
    ++generation_;
    PrepareEncryption(trustedFingerprint);
    socket_->connectToHostEncrypted(host, quint16(port));
}

void Winsock::StartEncryption(const QString& trustedFingerprint) {
    if (socket_->state() != QAbstractSocket::ConnectedState || socket_->isEncrypted())
        throw RuntimeError(40006, QStringLiteral("Falsches Protokoll oder falscher Verbindungszustand für die angeforderte Transaktion"));
    // Plain text the server sent after its consent must not pass for encrypted data.
    socket_->readAll();
    PrepareEncryption(trustedFingerprint);
    socket_->startClientEncryption();
}

bool Winsock::IsEncrypted() const { return socket_->isEncrypted(); }

void Winsock::PrepareEncryption(const QString& trustedFingerprint) {
    trustedFingerprint_ = trustedFingerprint;
    refusedErrors_.clear();
    QSslConfiguration configuration = sslConfiguration_;
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    socket_->setSslConfiguration(configuration);
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
