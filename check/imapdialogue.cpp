#include "check/imapdialogue.h"

#include <QStringDecoder>

namespace Imap {

QString DecodeReceived(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QStringList ProtocolPieces(const QByteArray& arrival) {
    QStringList pieces;
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = arrival.indexOf("\r\n", from);
        if (end < 0)
            break;
        pieces << DecodeReceived(arrival.mid(from, end - from));
        from = end + 2;
    }
    pieces << DecodeReceived(arrival.mid(from));
    return pieces;
}

QList<QByteArray> LineAssembler::Add(const QByteArray& arrival) {
    QList<QByteArray> lines;
    pending_ += arrival;
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = pending_.indexOf('\n', from);
        if (end < 0)
            break;
        qsizetype length = end - from;
        if (length > 0 && pending_.at(end - 1) == '\r')
            --length;
        lines << pending_.mid(from, length);
        from = end + 1;
    }
    pending_.remove(0, from);
    if (pending_.size() > MaxPending)
        pending_.clear();
    return lines;
}

namespace {

bool StartsWithTagOk(const QByteArray& line, const char* tag) {
    return line.startsWith(QByteArray(tag) + " OK");
}

// "* n RECENT" with blanks after it allowed; the count capped at MaxRecentCount.
bool ParseRecent(const QByteArray& line, qint16& count) {
    static const QByteArray suffix(" RECENT");
    qsizetype end = line.size();
    while (end > 0 && (line.at(end - 1) == ' ' || line.at(end - 1) == '\t'))
        --end;
    const QByteArray trimmed = line.left(end);
    if (!trimmed.startsWith("* ") || !trimmed.endsWith(suffix))
        return false;
    const qsizetype first = 2;
    const qsizetype last = trimmed.size() - suffix.size();
    if (last <= first)
        return false;
    int value = 0;
    for (qsizetype i = first; i < last; ++i) {
        const char c = trimmed.at(i);
        if (c < '0' || c > '9')
            return false;
        value = qMin(MaxRecentCount, value * 10 + (c - '0'));
    }
    count = qint16(value);
    return true;
}

}  // namespace

LineMeaning Classify(const QByteArray& line) {
    LineMeaning meaning;
    if (StartsWithTagOk(line, LoginTag))
        meaning.kind = LineKind::LoginOk;
    else if (StartsWithTagOk(line, ExamineTag))
        meaning.kind = LineKind::ExamineOk;
    else if (StartsWithTagOk(line, LogoutTag))
        meaning.kind = LineKind::LogoutOk;
    else if (ParseRecent(line, meaning.recent))
        meaning.kind = LineKind::Recent;
    return meaning;
}

bool IsAtom(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return false;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f)
            return false;
        switch (c) {
        case '"': case '\\': case '(': case ')': case '{': case '}': case '%': case '*':
            return false;
        default:
            break;
        }
    }
    return true;
}

QByteArray Argument(const QByteArray& bytes) {
    QByteArray value = bytes;
    value.replace('\r', QByteArray()).replace('\n', QByteArray()).replace('\0', QByteArray());
    if (IsAtom(value))
        return value;
    QByteArray quoted("\"");
    for (const char c : value) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

QByteArray EncodeMailboxName(const QString& name) {
    QByteArray out;
    QByteArray pending;  // UTF-16 big-endian bytes of a run of characters that need encoding
    auto flush = [&] {
        if (pending.isEmpty())
            return;
        QByteArray encoded = pending.toBase64(QByteArray::OmitTrailingEquals);
        encoded.replace('/', ',');
        out += '&' + encoded + '-';
        pending.clear();
    };
    for (const QChar ch : name) {
        const char16_t u = ch.unicode();
        if (u >= 0x20 && u <= 0x7e) {
            flush();
            out += char(u);
            if (u == '&')
                out += '-';
        } else {
            pending += char(u >> 8);
            pending += char(u & 0xff);
        }
    }
    flush();
    return out;
}

QByteArray LoginCommand(const QString& username, const QString& password) {
    return QByteArray(LoginTag) + " LOGIN " + Argument(username.toUtf8()) + ' ' + Argument(password.toUtf8()) + "\r\n";
}

QByteArray ExamineCommand(const QString& mailbox) {
    return QByteArray(ExamineTag) + " EXAMINE " + Argument(EncodeMailboxName(mailbox)) + "\r\n";
}

QByteArray LogoutCommand() { return QByteArray(LogoutTag) + " LOGOUT\r\n"; }

QString LoginEntry(const QString& username) { return QStringLiteral("A001 LOGIN ") + username; }

QString ExamineEntry(const QString& mailbox) { return QStringLiteral("A002 EXAMINE ") + mailbox; }

QString LogoutEntry() { return QStringLiteral("A004 LOGOUT"); }

}  // namespace Imap
