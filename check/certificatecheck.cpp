#include "check/certificatecheck.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QLocale>

namespace Tls {

QString Fingerprint(const QSslCertificate& certificate) {
    const QByteArray digest = certificate.digest(QCryptographicHash::Sha256);
    return QString::fromLatin1(digest.toHex(':').toUpper());
}

bool Matches(const QString& storedFingerprint, const QSslCertificate& certificate) {
    const QString stored = storedFingerprint.trimmed();
    return !stored.isEmpty() && !certificate.isNull() && stored.compare(Fingerprint(certificate), Qt::CaseInsensitive) == 0;
}

QString SessionText(QSsl::SslProtocol protocol, const QSslCipher& cipher) {
    QString name;
    switch (protocol) {
    case QSsl::TlsV1_3:
        name = QStringLiteral("TLS 1.3");
        break;
    case QSsl::TlsV1_2:
        name = QStringLiteral("TLS 1.2");
        break;
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
    case QSsl::TlsV1_1:
        name = QStringLiteral("TLS 1.1");
        break;
    case QSsl::TlsV1_0:
        name = QStringLiteral("TLS 1.0");
        break;
QT_WARNING_POP
    default:
        name = cipher.protocolString();
        break;
    }
    return name + QStringLiteral(", ") + cipher.name();
}

QString Description(const RejectedCertificate& r) {
    const QSslCertificate& c = r.certificate;
    const QLocale locale;
    QStringList lines;
    lines << QStringLiteral("Server: %1:%2 (Account %3)").arg(r.server).arg(r.port).arg(r.email);
    lines << QStringLiteral("Fehler:");
    for (const QString& error : r.errors)
        lines << QStringLiteral("  - ") + error;
    lines << QStringLiteral("Ausgestellt für: ") + c.subjectDisplayName();
    lines << QStringLiteral("Ausgestellt von: ") + c.issuerDisplayName();
    lines << QStringLiteral("Gültig von: ") + locale.toString(c.effectiveDate().toLocalTime(), QLocale::ShortFormat);
    lines << QStringLiteral("Gültig bis: ") + locale.toString(c.expiryDate().toLocalTime(), QLocale::ShortFormat);
    lines << QStringLiteral("SHA-256-Fingerabdruck:") << Fingerprint(c);
    return lines.join(QLatin1Char('\n'));
}

QVector<RejectedCertificate> PromptMemory::TakeNew(const QVector<RejectedCertificate>& rejected) {
    QVector<RejectedCertificate> fresh;
    for (const RejectedCertificate& r : rejected) {
        const QString key = r.email + QLatin1Char('\n') + r.server + QLatin1Char('\n') + Fingerprint(r.certificate);
        if (!asked_.contains(key)) {
            asked_.insert(key);
            fresh.append(r);
        }
    }
    return fresh;
}

}  // namespace Tls
