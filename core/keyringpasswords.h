#pragma once

#include "core/account.h"
#include "core/keyring.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <functional>

// Keeps the accounts' passwords in the desktop's keyring while the setting "Schluesselbund" is 1,
// and in the store (scrambled) while it is 0. An account whose password lives in the keyring has an
// empty "Password" key in the store; the keyring entry is keyed by the account's e-mail address,
// server and user name, so renumbering needs no change in the keyring and accounts with the same
// login share one entry.
//
// The store stays the one truth: a password is written to its new place first and its old place is
// cleared only after that succeeded, in both directions, so nothing is lost when the keyring fails
// or the program ends half-way. The store also lists the entries written ("SchluesselbundEintraege"),
// so that entries whose account is gone can be removed.
//
// Everything is asynchronous and runs on the event loop's thread. The store code calls in here:
// after loading accounts (their keyring passwords are fetched), and after saving (a pass moves the
// passwords to where the setting says).
class KeyringPasswords : public QObject {
    Q_OBJECT
public:
    static KeyringPasswords& Instance();

    // The key of an account's entry.
    static QString EntryKey(const QString& email, const QString& server, const QString& username);
    static QString EntryKey(const Account& account);

    // Called by LoadAccounts once Accounts holds the stored list: marks the accounts whose password
    // lives in the keyring (an empty "Password" key), fills those already known and starts reading
    // the others.
    void AfterLoad();
    // The text SaveAccounts stores for an account: empty while its password is known to be in the
    // keyring (or has not been read from it yet), else the scrambled password.
    QString StoredPassword(const Account& account) const;
    // Runs a pass soon (after the caller's other store writes): moves the passwords to where the
    // setting says and removes entries whose account is gone.
    void ScheduleSync();
    // Starts reading the passwords that accounts in Accounts still wait for.
    void FetchMissing();

    // True while a pass or a read is under way or due.
    bool Busy() const;
    // Forgets every password read or written, as a new start of the program would.
    void ForgetForTesting();

signals:
    // A German message for the user: the keyring failed and what became of the passwords.
    void Message(const QString& text);
    // The keyring failed while passwords were being moved in: the setting is 0 again.
    void SwitchedOff();
    // A password of a pass has reached its new place (the tests interfere here).
    void EntryMoved(const QString& key);

private:
    KeyringPasswords() = default;
    struct Move {
        QString key;
        QString password;
        QList<QPair<int, QString>> accounts;  // account number and the store text it had
    };
    void RunPass();
    void PlanIn();
    void PlanOut();
    void Next();
    void EndPass();
    void Sweep();
    void Fill(const QString& key, const QString& password);
    void Known(const QString& key, const QString& password);
    void Forget(const QString& key);
    // False once the store has been pointed elsewhere since the work was asked for (the tests).
    bool SameStore(const QString& store) const;

    QHash<QString, QString> known_;  // entries known to hold this password
    QSet<QString> reading_;          // entries being read for accounts that wait
    bool readFailureShown_ = false;
    bool scheduled_ = false;
    bool running_ = false;
    bool again_ = false;
    QString store_;  // the store file of the running or scheduled pass
    QList<std::function<void()>> steps_;  // the rest of the running pass; each step calls Next()
};
