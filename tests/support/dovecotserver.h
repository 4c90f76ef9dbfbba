#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVector>
#include <memory>

// A private Dovecot IMAP server on 127.0.0.1 for the tests, started by the test itself: its own
// configuration, sockets, state, log and maildirs in a temporary folder, a free port, plain-text
// LOGIN, users from a password file. Messages are dropped into the maildirs' new/ folders, so they
// are recent, and stay recent however often the mailbox is examined.
//
//     DovecotServer dovecot;
//     QVERIFY2(dovecot.start({{"maria", "geheim", 3}, {"jan", "zwei Worte"}}), qPrintable(dovecot.errorString()));
//     ... connect to dovecot.host() : dovecot.port() ...
//
// Works as root (the mail belongs to "nobody") and as an ordinary user. The server runs in its
// own process group, which is killed when the object goes away; it also dies with the test process.
class DovecotServer {
public:
    // A mailbox besides INBOX. The name is the one the server stores and the client sends:
    // modified UTF-7 for names with 8-bit characters ("Entw&APw-rfe" is "Entwürfe").
    struct Mailbox {
        QString name;
        int recent = 0;
    };
    struct User {
        QString name;
        QString password;  // any text without ':' or a line break
        int recent = 0;    // recent messages in INBOX
        QVector<Mailbox> mailboxes = {};
    };

    DovecotServer();
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    // Starts the server with these users; returns false (see errorString()) when it cannot.
    bool start(const QVector<User>& users);
    // Kills the server's process group at once. The destructor does it too.
    void stop();

    QString host() const { return QStringLiteral("127.0.0.1"); }
    quint16 port() const { return port_; }
    QString errorString() const { return error_; }
    // Dovecot's own log, for failure messages.
    QString log() const;

    // Drops more recent messages into a user's mailbox (INBOX when the name is empty).
    void addRecent(const QString& user, int count, const QString& mailbox = QString());

    // The Dovecot binary.
    static QString binary() { return QStringLiteral("/usr/sbin/dovecot"); }

private:
    bool prepare(const QVector<User>& users);
    bool launch(quint16 port);
    QString mailboxFolder(const QString& user, const QString& mailbox) const;
    void giveToMailUser(const QString& path) const;

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
    quint16 port_ = 0;
    QString error_;
    int messageSerial_ = 0;
    // Owner of the mail files: "nobody" when running as root, else the current user.
    uint mailUid_ = 0;
    uint mailGid_ = 0;
};
