#include "oeimport/oeaccountinfo.h"

#include <QByteArray>
#include <QLatin1String>
#include <algorithm>

using Registry::Key;
using Registry::Source;

const QString OEBaseKeyPath = QStringLiteral("Software\\Microsoft\\Internet Account Manager");
const QString OEAccountsKeyPath =
    QStringLiteral("Software\\Microsoft\\Internet Account Manager\\Accounts");

namespace {

bool IsImapMailAccount(const OEAccount& account) {
    return account.NNTPServer.isEmpty() && account.LDAPServer.isEmpty() &&
           !account.IMAPServer.isEmpty();
}

}  // namespace

Key OpenRegKeyRead(Source& source, Key root, const QString& path) {
    Key key = 0;
    const QByteArray narrowPath = source.TextToNarrow(path);
    if (source.RegOpenKeyExA(root, narrowPath.constData(), 0, Registry::KeyRead, &key) !=
        Registry::ResultOk)
        return 0;
    return key;
}

QString ReadRegText(Source& source, Key key, const QString& valueName) {
    if (key == 0)
        return QString();
    QByteArray buffer(OETextBufferSize, '\0');
    quint32 size = quint32(buffer.size());
    quint32 type = 0;
    const QByteArray name = source.TextToNarrow(valueName);
    if (source.RegQueryValueExA(key, name.constData(), &type,
                                reinterpret_cast<quint8*>(buffer.data()), &size) !=
        Registry::ResultOk)
        return QString();
    buffer.truncate(int(std::min<quint32>(size, quint32(buffer.size()))));
    return CutAtNul(source.NarrowToText(buffer));
}

qint32 ReadRegNumber(Source& source, Key key, const QString& valueName, qint32 unreadable) {
    if (key == 0)
        return 0;
    quint8 bytes[4] = {0, 0, 0, 0};
    quint32 size = sizeof bytes;
    quint32 type = 0;
    const QByteArray name = source.TextToNarrow(valueName);
    if (source.RegQueryValueExA(key, name.constData(), &type, bytes, &size) != Registry::ResultOk)
        return unreadable;
    return qint32(quint32(bytes[0]) | (quint32(bytes[1]) << 8) | (quint32(bytes[2]) << 16) |
                  (quint32(bytes[3]) << 24));
}

QString CutAtNul(const QString& text) {
    const qsizetype zero = text.indexOf(QChar(0));
    return zero < 0 ? text : text.left(zero);
}

OEAccount ReadOEDefaultAccounts(Source& source, Key key) {
    OEAccount account;
    if (key == 0)
        return account;
    account.DefaultLDAPAccount = ReadRegText(source, key, QStringLiteral("Default LDAP Account"));
    account.DefaultMailAccount = ReadRegText(source, key, QStringLiteral("Default Mail Account"));
    account.DefaultNewsAccount = ReadRegText(source, key, QStringLiteral("Default News Account"));
    return account;
}

OEAccount ReadOEAccount(Source& source, const QString& containerPath, const QString& accountID) {
    OEAccount a;
    const Key key =
        OpenRegKeyRead(source, Registry::CurrentUser, containerPath + QLatin1Char('\\') + accountID);
    if (key == 0)
        return a;
    const auto text = [&](const char* valueName) {
        return ReadRegText(source, key, QLatin1String(valueName));
    };
    a.AccountID = accountID;
    a.NNTPSignature = text("NNTP Signature");
    a.NNTPServer = text("NNTP Server");
    a.NNTPAccountName = text("Account Name");
    a.NNTPUserName = text("NNTP User Name");
    a.NNTPEmailAddress = text("NNTP Email Address");
    a.SMTPSignature = text("SMTP Signature");
    a.SMTPServer = text("SMTP Server");
    a.SMTPAccountName = text("Account Name");
    a.SMTPEmailAddress = text("SMTP Email Address");
    a.SMTPUserName = text("SMTP User Name");
    a.SMTPReplyToEmailAddress = text("SMTP Reply To Email Address");
    a.POP3Server = text("POP3 Server");
    a.POP3AccountName = text("Account Name");
    a.POP3UserName = text("POP3 User Name");
    a.POP3EmailAddress = text("POP3 Email Address");
    a.POP3ReplyToEmailAddress = text("POP3 Reply To Email Address");
    a.IMAPServer = text("IMAP Server");
    a.IMAPSecureConnection = ReadRegNumber(source, key, QStringLiteral("IMAP Secure Connection"), 0);
    a.IMAPPort = ReadRegNumber(source, key, QStringLiteral("IMAP Port"),
                               a.IMAPSecureConnection == 1 ? OEDefaultImapsPort : OEDefaultImapPort);
    a.IMAPAccountName = text("Account Name");
    a.IMAPUserName = text("IMAP User Name");
    a.LDAPServer = text("LDAP Server");
    a.LDAPAccountName = text("Account Name");
    a.LDAPURL = text("LDAP URL");
    source.RegCloseKey(key);
    return a;
}

QVector<OEAccount> ReadOEImapAccounts(Source& source) {
    QVector<OEAccount> result;

    const Key base = OpenRegKeyRead(source, Registry::CurrentUser, OEBaseKeyPath);
    if (base == 0)
        return result;
    // Only its presence counts: the default-account values it holds concern no listed account.
    source.RegCloseKey(base);

    const Key container = OpenRegKeyRead(source, Registry::CurrentUser, OEAccountsKeyPath);
    if (container == 0)
        return result;
    quint32 count = 0;
    quint32 longest = 0;
    if (source.RegQueryInfoKeyA(container, &count, &longest) != Registry::ResultOk) {
        source.RegCloseKey(container);
        return result;
    }

    // A registry key name has at most 255 characters; the cap only guards against a source that
    // reports nonsense.
    const quint32 bufferSize = std::min<quint32>(longest, 32767) + 1;
    for (quint32 i = 0; i < count; ++i) {
        QByteArray name(int(bufferSize), '\0');
        quint32 size = bufferSize;
        const long status = source.RegEnumKeyExA(container, i, name.data(), &size);
        // 234 only says that the name did not fit; what the buffer holds is still tried.
        if (status != Registry::ResultOk && status != Registry::ResultMoreData)
            continue;
        const OEAccount account =
            ReadOEAccount(source, OEAccountsKeyPath, CutAtNul(source.NarrowToText(name)));
        if (IsImapMailAccount(account))
            result.append(account);
    }
    source.RegCloseKey(container);
    return result;
}

QVector<OEAccount> ReadOEImapAccounts() { return ReadOEImapAccounts(Registry::Default()); }
