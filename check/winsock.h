#pragma once

#include <QByteArray>
#include <QObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QString>
#include <QStringList>

class QSslSocket;

// The main window's one TCP client socket, driven from the event loop. One connection at a time:
// Connect starts connecting and returns at once; success shows only as the server's first data,
// failure as the Error event. Events come one at a time from the event loop, never from inside a
// call to one of the operations below, and never from a connection that has since been closed.
//
// A connection can be encrypted with TLS, from its start (ConnectEncrypted) or on request
// (StartEncryption). The server's certificate must be valid for the host name and issued by a
// trusted authority, or be exactly the certificate whose SHA-256 fingerprint the caller trusts.
// While a handshake runs no data is delivered; a refused certificate ends the connection with
// CertificateRejected instead of Error.
class Winsock : public QObject {
    Q_OBJECT
public:
    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    // Starts connecting to host (name or address) and port. Throws RuntimeError 40020 when the
    // socket is not closed.
    void Connect(const QString& host, int port);
    // The same, with the TLS handshake right after the connection is made. trustedFingerprint
    // (may be empty) names a certificate accepted whatever its errors.
    void ConnectEncrypted(const QString& host, int port, const QString& trustedFingerprint);
    // Starts the TLS handshake on the open plain connection; received data not yet read is dropped.
    void StartEncryption(const QString& trustedFingerprint);
    // True once the handshake has succeeded and the certificate was accepted.
    bool IsEncrypted() const;
    // The authorities and protocols used for the next connections. The program keeps the system's
    // defaults; tests trust their own authority this way.
    void SetSslConfiguration(const QSslConfiguration& configuration) { sslConfiguration_ = configuration; }
    // Sends the bytes unchanged; adds no line ending. Throws RuntimeError 40006 when not connected.
    void SendData(const QByteArray& bytes);
    // All received data not yet read; removes it from the socket.
    QByteArray GetData();
    // Ends the connection at once. Allowed in any state, also when already closed; afterwards
    // Connect may be called again and no event of the old connection is delivered.
    void Close();

    // True when neither connecting nor connected.
    bool IsClosed() const;

    // Received data not yet read is held up to this many bytes; the socket reads on when it is
    // taken, so one arrival is never larger.
    static constexpr qint64 ReadBufferBytes = 64 * 1024;

signals:
    // Received data is waiting.
    void DataArrival(qint64 bytesTotal);
    // The peer closed the connection.
    void PeerClosed();
    // An asynchronous failure: the Winsock number of the error (see socketerror.h) and Qt's
    // description (German when Qt's German translation is installed).
    void Error(int number, const QString& description);
    // The handshake succeeded; session is e.g. "TLS 1.3, TLS_AES_256_GCM_SHA384".
    void Encrypted(const QString& session);
    // The server's certificate was refused; errors are German texts. The connection is over.
    void CertificateRejected(const QSslCertificate& certificate, const QStringList& errors);

private:
    void PrepareEncryption(const QString& trustedFingerprint);

    QSslSocket* socket_;
    QSslConfiguration sslConfiguration_ = QSslConfiguration::defaultConfiguration();
    QString trustedFingerprint_;
    // The certificate errors of the running handshake that were not forgiven.
    QStringList refusedErrors_;
    // Counts connections; an event queued for an older connection is dropped.
    quint64 generation_ = 0;
    // Set while Close aborts the socket: our own close raises no PeerClosed.
    bool closing_ = false;
};
