#pragma once

#include "check/uidstate.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Counting the unseen messages that arrived since the last check, by UID: what the server's replies
// say and the command that asks. Survives other clients that clear the RECENT flag and servers that
// never send it.
namespace Imap {

inline constexpr char SearchTag[] = "A003";

// The number of an untagged "* OK [code n] ..." line (code "UIDVALIDITY" or "UIDNEXT"), none when
// the line is another one or the number is not a valid UID value.
std::optional<quint32> ResponseCodeNumber(const QByteArray& line, const char* code);

bool IsSearchReply(const QByteArray& line);
// A UID: 1 to 4294967295 in decimal digits.
bool ParseUid(const QByteArray& text, quint32& uid);

// "A003 UID SEARCH UNSEEN UID n:*" with CR LF, and its protocol entry.
QByteArray UnseenSinceCommand(quint32 from);
QString UnseenSinceEntry(quint32 from);

// An untagged "* SEARCH n n ..." reply: calls `uid` with every number; false when the line is not
// such a reply. A reply without numbers means none.
template <typename F>
bool ForEachSearchUid(const QByteArray& line, F uid) {
    if (!IsSearchReply(line))
        return false;
    for (const QByteArray& word : line.mid(8).split(' ')) {
        quint32 value = 0;
        if (ParseUid(word, value))
            uid(value);
    }
    return true;
}

}  // namespace Imap

// One check of one mailbox counted by UID. The cycle calls Begin when it examines the mailbox, hands
// over every untagged line until the search has completed, asks AfterExamine whether to search, and
// calls Commit once the check has succeeded with this count, which remembers the new UIDNEXT.
class UnseenCount {
public:
    explicit UnseenCount(UidState& state) : state_(state) {}

    void Begin(const QString& server, const QString& user, const QString& mailbox);
    void Take(const QByteArray& line);
    // EXAMINE has completed: the first UID to search from, or none when there is nothing to search
    // (nothing remembered of this mailbox yet, or its UIDVALIDITY changed: the count is 0).
    std::optional<quint32> AfterExamine();
    // Unseen messages at or above the UID searched from (the range n:* also yields the mailbox's
    // last message when its UID is below n: not counted).
    qint16 Count() const;
    void Commit();

private:
    UidState& state_;
    QString server_, user_, mailbox_;
    std::optional<quint32> validity_, next_, from_;
    bool learning_ = false;  // nothing remembered and no UIDNEXT: the search only finds the highest UID
    int count_ = 0;
    quint32 highest_ = 0;
};
