#pragma once

#include <QSet>
#include <QSslCertificate>
#include <QSslCipher>
#include <QString>
#include <QStringList>
#include <QVector>

// A server certificate that a check refused: the account it was met for and what was wrong with it.
struct RejectedCertificate {
    int account = 0;  // the account's number at the time of the check
    QString email;
    QString server;
    int port = 0;
    QStringList errors;  // German, one text per problem
    QSslCertificate certificate;
};

namespace Tls {

// The certificate's SHA-256 fingerprint as hex pairs joined by ":", upper case ("AB:01:...").
QString Fingerprint(const QSslCertificate& certificate);
// True when the stored fingerprint (any case, blanks around it ignored) names this certificate.
bool Matches(const QString& storedFingerprint, const QSslCertificate& certificate);
// The protocol line after a handshake: "TLS 1.3, TLS_AES_256_GCM_SHA384".
QString SessionText(QSsl::SslProtocol protocol, const QSslCipher& cipher);

// What the user is shown to decide on trust: server and port, the errors, holder, issuer, validity
// and the fingerprint, one item a line, in German.
QString Description(const RejectedCertificate& rejected);

// Remembers which certificates the user was already asked about in this run, so that each one is
// offered once per account however often the check meets it.
class PromptMemory {
public:
    // The rejected certificates not asked about yet; from now on they count as asked.
    QVector<RejectedCertificate> TakeNew(const QVector<RejectedCertificate>& rejected);

private:
    QSet<QString> asked_;
};

}  // namespace Tls
