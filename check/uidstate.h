#pragma once

#include <QHash>
#include <QString>
#include <optional>

// What the count of unseen mail remembers of each mailbox between checks and between runs of the
// program: the mailbox's UIDVALIDITY and the UIDNEXT of its last successful check, keyed by server,
// user name and mailbox. It lives in its own file in the per-user data folder, apart from the
// settings store, replaced atomically at each write and readable by its owner only. A file that
// cannot be read or written is reported once in error.log; the state then goes on in memory.
//
// The check cycle remembers each mailbox as its check succeeds and writes the file when the cycle
// ends, right before the alert shows the counts: one write (and one sync to disk) a cycle, and a
// program stopped in mid-cycle, before anything was shown, counts those messages again.
class UidState {
public:
    struct Mark {
        quint32 uidValidity = 0;
        quint32 uidNext = 0;
    };

    // The file at this path; empty: "Abfragestand.json" in the per-user data folder.
    explicit UidState(QString file = {});

    // What was remembered of this mailbox; read from the file at the first call.
    std::optional<Mark> Find(const QString& server, const QString& user, const QString& mailbox);
    // Remembers the mailbox's mark in memory.
    void Remember(const QString& server, const QString& user, const QString& mailbox, Mark mark);
    // Writes the file when something has changed since the last write.
    void Flush();

    QString File();

private:
    void Load();
    void Save();
    void Report(const QString& what);

    QString file_;
    bool loaded_ = false;
    bool dirty_ = false;
    bool reported_ = false;  // a failure was reported and nothing has succeeded since
    QHash<QString, Mark> marks_;
};
