#pragma once

#include <QString>
#include <QVector>

// One monitored IMAP mailbox. The stored fields and their keys are listed in core/storekeys.cpp.
struct Account {
    QString EMail;
    QString Server;
    quint16 Port = 143;
    QString Username;
    QString Password;  // plain in memory, scrambled only in the store
    QString Mailbox;
    qint16 NewMailCount = 0;  // runtime only: recent count of the last check, -1 = that check failed
    QString CheckFailure;     // runtime only: why the last check failed, in German; empty when it did not
    // How new mail is counted: 0 the server's RECENT count, 1 unseen messages that arrived since the
    // last check (by UID, so other clients cannot hide them).
    qint16 Zaehlweise = 0;
    bool PasswordPending = false;  // runtime only: the password lives in the keyring and is being read
    qint16 Verschluesselung = 0;  // 0 plain TCP, 1 STARTTLS, 2 SSL/TLS
    QString Zertifikat;           // SHA-256 fingerprint of the server certificate the user trusts, or empty
};

// False while the account waits for its password from the keyring (a password typed meanwhile
// counts as known).
inline bool PasswordKnown(const Account& a) { return !a.PasswordPending || !a.Password.isEmpty(); }

// What sounds when new mail has arrived (the stored numbers).
enum class SoundChoice : qint16 { None = 0, Beep = 1, WaveFile = 2 };

// The general settings; each field is stored under the key of the same name.
struct SettingsRecord {
    qint16 KontrollIntervall = 5;
    QString EMailProgramm;
    qint16 BenachrichtigungFokus = 0;
    SoundChoice Sound = SoundChoice::Beep;
    QString SoundDatei;
    qint16 Benachrichtigungsfenster = 1;
    qint16 BalloonTip = 0;
    qint16 Schluesselbund = 0;  // 1 = the passwords are kept in the desktop's keyring
};

// The process-wide account list. Slot 0 holds no account; the accounts are slots 1..N and the slot
// index is the account's number everywhere (store keys, "ID" columns, check order).
extern QVector<Account> Accounts;
// The process-wide settings record.
extern SettingsRecord Settings;

// N, the number of accounts (the upper bound of the list).
inline int AccountCount() { return Accounts.isEmpty() ? 0 : int(Accounts.size()) - 1; }

// Removes account k (1..N); the following accounts move down by one place.
void RemoveAccount(int k);
