#pragma once

#include <QProcess>
#include <QSslCertificate>
#include <QString>
#include <QTemporaryDir>
#include <QVector>
#include <memory>

// A private Dovecot IMAP server on 127.0.0.1 with plain-text LOGIN, STARTTLS on port() and an imaps
// listener on tlsPort(), everything in a temporary folder. Its certificates are made with `openssl
// req` by a test authority that nothing outside the test trusts. Messages are dropped into new/, so
// they stay recent however often the mailbox is examined. Works as root (the mail belongs to
// "nobody") and as an ordinary user; the server dies with this object and with the test process.
class DovecotServer {
public:
    struct User {
        QString name;
        QString password;  // without ':' or a line break
        int recent = 0;    // recent messages in the mailbox
        QString mailbox = {};  // INBOX when empty, else as the server stores it (modified UTF-7: "Entw&APw-rfe")
    };

    // The server certificate shown in the TLS handshake.
    enum class Certificate {
        AuthoritySigned,  // issued by authority() for 127.0.0.1 and localhost
        SelfSigned,       // self-signed for 127.0.0.1
        OtherSelfSigned,  // another self-signed one for 127.0.0.1 (a changed certificate)
        WrongHost,        // issued by authority() for another host name
    };

    Q_DISABLE_COPY(DovecotServer)
    DovecotServer() = default;
    ~DovecotServer() { stop(); }

    // Starts the server with these users; false (see errorString()) when it cannot.
    bool start(const QVector<User>& users);
    void stop();
    // Restarts the server on the same ports with another certificate; false when it cannot.
    bool useCertificate(Certificate certificate);

    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return port_; }
    quint16 tlsPort() const { return tlsPort_; }
    QSslCertificate authority() const { return readCertificate(QStringLiteral("ca")); }
    QString authorityFile() const { return dir_ ? dir_->filePath(QStringLiteral("ca.crt")) : QString(); }
    // The one the server shows now.
    QSslCertificate certificate() const { return readCertificate(certificateName()); }
    QString errorString() const { return error_; }
    // Dovecot's own log and output, for failure messages.
    QString log() const;
    // Drops more recent messages into a user's mailbox (INBOX when the name is empty).
    void addRecent(const QString& user, int count, const QString& mailbox = QString());

private:
    bool launch(quint16 port, quint16 tlsPort);
    bool makeCertificates();
    QString certificateName() const { return QStringList{"signed", "self", "other", "wronghost"}.at(int(certificate_)); }
    QSslCertificate readCertificate(const QString& name) const;
    void giveToMailUser(const QString& path) const;

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
    quint16 tlsPort_ = 0;
    Certificate certificate_ = Certificate::AuthoritySigned;
    QString error_;
    int serial_ = 0;
    uint mailUid_ = 0;
    uint mailGid_ = 0;
};
