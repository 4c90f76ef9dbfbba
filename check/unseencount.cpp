#include "check/unseencount.h"

namespace Imap {

bool ParseUid(const QByteArray& text, quint32& uid) {
    if (text.isEmpty() || text.size() > 10)
        return false;
    quint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + quint64(c - '0');
    }
    if (value == 0 || value > 0xffffffffu)
        return false;
    uid = quint32(value);
    return true;
}

std::optional<quint32> ResponseCodeNumber(const QByteArray& line, const char* code) {
    const QByteArray prefix = "* OK [" + QByteArray(code) + ' ';
    if (!line.toUpper().startsWith(prefix))
        return std::nullopt;
    const qsizetype end = line.indexOf(']', prefix.size());
    quint32 value = 0;
    if (end < 0 || !ParseUid(line.mid(prefix.size(), end - prefix.size()), value))
        return std::nullopt;
    return value;
}

bool IsSearchReply(const QByteArray& line) {
    return line.left(8).toUpper() == "* SEARCH" && (line.size() == 8 || line.at(8) == ' ');
}

QByteArray UnseenSinceCommand(quint32 from) { return UnseenSinceEntry(from).toLatin1() + "\r\n"; }

QString UnseenSinceEntry(quint32 from) { return QStringLiteral("A003 UID SEARCH UNSEEN UID %1:*").arg(from); }

}  // namespace Imap

void UnseenCount::Begin(const QString& server, const QString& user, const QString& mailbox) {
    server_ = server;
    user_ = user;
    mailbox_ = mailbox;
    validity_.reset();
    next_.reset();
    from_.reset();
    learning_ = false;
    count_ = 0;
    highest_ = 0;
}

void UnseenCount::Take(const QByteArray& line) {
    if (from_) {
        Imap::ForEachSearchUid(line, [this](quint32 uid) {
            highest_ = qMax(highest_, uid);
            if (uid >= *from_)
                ++count_;
        });
    } else if (const auto validity = Imap::ResponseCodeNumber(line, "UIDVALIDITY")) {
        validity_ = validity;
    } else if (const auto next = Imap::ResponseCodeNumber(line, "UIDNEXT")) {
        next_ = next;
    }
}

std::optional<quint32> UnseenCount::AfterExamine() {
    if (!validity_)
        return std::nullopt;  // a server without UIDs: nothing can be counted or remembered
    const std::optional<UidState::Mark> mark = state_.Find(server_, user_, mailbox_);
    if (mark && mark->uidValidity == *validity_)
        from_ = mark->uidNext;
    else if (!next_) {
        learning_ = true;
        from_ = 1;
    }
    return from_;
}

qint16 UnseenCount::Count() const { return learning_ ? 0 : qint16(qMin(count_, 32767)); }

void UnseenCount::Commit() {
    if (!validity_)
        return;
    // A server that sends no UIDNEXT: the highest UID seen plus one, never below where it stood.
    const quint32 next = next_ ? *next_ : qMax(from_.value_or(1), highest_ == 0xffffffffu ? highest_ : highest_ + 1);
    state_.Remember(server_, user_, mailbox_, {*validity_, next});
}
