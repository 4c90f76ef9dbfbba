#pragma once

#include "oeimport/registry.h"

#include <QString>
#include <QVector>

// Reads the mail, news and directory accounts that Outlook Express keeps in the current user's
// registry hive and hands out the IMAP mail accounts among them. Only reads: no key or value is
// ever created, changed or deleted, and nothing is shown to the user. Every key opened is closed
// again before the operation that opened it returns.

// One Outlook Express account. Every field is text except IMAPPort; all start empty (port 0).
struct OEAccount {
    QString AccountID;                // the name of the account's key
    QString DefaultNewsAccount;       // base key values, filled only by ReadOEDefaultAccounts
    QString DefaultMailAccount;
    QString DefaultLDAPAccount;
    QString NNTPSignature;
    QString NNTPServer;
    QString NNTPAccountName;          // the five ...AccountName fields all hold "Account Name"
    QString NNTPUserName;
    QString NNTPEmailAddress;
    QString SMTPSignature;
    QString SMTPServer;
    QString SMTPAccountName;
    QString SMTPEmailAddress;
    QString SMTPUserName;
    QString SMTPReplyToEmailAddress;
    QString POP3Server;
    QString POP3AccountName;
    QString POP3UserName;
    QString POP3EmailAddress;
    QString POP3ReplyToEmailAddress;
    QString IMAPServer;
    qint32 IMAPPort = 0;
    qint32 IMAPSecureConnection = 0;  // 1: SSL/TLS from the start
    QString IMAPAccountName;
    QString IMAPUserName;
    QString LDAPServer;
    QString LDAPAccountName;
    QString LDAPURL;
};

// The key of the account manager, holding the default-account values, and the key below it that
// holds one subkey per account; both below HKEY_CURRENT_USER.
extern const QString OEBaseKeyPath;      // Software\Microsoft\Internet Account Manager
extern const QString OEAccountsKeyPath;  // Software\Microsoft\Internet Account Manager\Accounts

// The size of the buffer a text value is read into; a value that does not fit, with its
// terminating zero, reads as empty text.
constexpr int OETextBufferSize = 260;
// The port of an account without a readable "IMAP Port".
constexpr qint32 OEDefaultImapPort = 143;

// Opens the key at path below root for reading; its handle, or 0 when it cannot be opened.
Registry::Key OpenRegKeyRead(Registry::Source& source, Registry::Key root, const QString& path);

// A text value of an open key, up to its first zero character. Empty text for key 0 and for a
// value that is absent, longer than 259 bytes or otherwise unreadable. The stored type plays no part.
QString ReadRegText(Registry::Source& source, Registry::Key key, const QString& valueName);

// A value's first 4 bytes as a little-endian signed number, whatever its type (shorter data is
// padded with zero bytes). 0 for key 0; `unreadable` (143 unless given) for a value that is absent,
// longer than 4 bytes or otherwise unreadable.
qint32 ReadRegNumber(Registry::Source& source, Registry::Key key, const QString& valueName,
                     qint32 unreadable = OEDefaultImapPort);
// The port of an SSL/TLS account without a readable "IMAP Port".
constexpr qint32 OEDefaultImapsPort = 993;

// The characters before the first zero character; a text without one is returned whole.
QString CutAtNul(const QString& text);

// A record with only the three default-account fields filled, from the open base key (key 0: an
// empty record).
OEAccount ReadOEDefaultAccounts(Registry::Source& source, Registry::Key key);

// The account whose key is containerPath\accountID below HKEY_CURRENT_USER; an empty record (empty
// AccountID, port 0) when that key cannot be opened.
OEAccount ReadOEAccount(Registry::Source& source, const QString& containerPath,
                        const QString& accountID);

// The IMAP mail accounts (empty NNTPServer, empty LDAPServer, non-empty IMAPServer) in the order
// the registry enumerates the account keys; no sorting, no removal of duplicates. Empty when the
// base key, the account container or its key information cannot be read.
QVector<OEAccount> ReadOEImapAccounts(Registry::Source& source);
// The same over the program's registry (Registry::Default()).
QVector<OEAccount> ReadOEImapAccounts();
