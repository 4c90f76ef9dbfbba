#include "check/imapdialogue.h"

#include <QStringDecoder>

namespace Imap {

QString DecodeReceived(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

QStringList ProtocolPieces(const QByteArray& arrival) {
    const QByteArray shown = arrival.left(MaxProtocolBytes);
    QStringList pieces;
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = shown.indexOf("\r\n", from);
        if (end < 0)
            break;
        pieces << DecodeReceived(shown.mid(from, end - from));
        from = end + 2;
    }
    pieces << DecodeReceived(shown.mid(from));
    if (arrival.size() > shown.size())
        pieces << QStringLiteral("[... gekürzt, %1 Bytes empfangen]").arg(arrival.size());
    return pieces;
}

namespace {
// The announced size of a literal at the line's end ("{n}" or "{n+}"), or -1.
qint64 LiteralSize(const QByteArray& line) {
    if (!line.endsWith('}'))
        return -1;
    const qsizetype open = line.lastIndexOf('{');
    if (open < 0)
        return -1;
    QByteArray digits = line.mid(open + 1, line.size() - open - 2);
    if (digits.endsWith('+'))
        digits.chop(1);
    if (digits.isEmpty() || digits.size() > 18)
        return -1;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return -1;
    }
    return digits.toLongLong();
}
}  // namespace

QList<QByteArray> LineAssembler::Add(const QByteArray& arrival) {
    QList<QByteArray> lines;
    qsizetype from = 0;
    while (from < arrival.size()) {
        if (literalLeft_ > 0) {
            const qsizetype skipped = qsizetype(qMin<qint64>(literalLeft_, arrival.size() - from));
            literalLeft_ -= skipped;
            from += skipped;
            continue;
        }
        const qsizetype end = arrival.indexOf('\n', from);
        if (end < 0) {
            pending_ += arrival.mid(from);
            if (pending_.size() > MaxPending)
                pending_.clear();
            break;
        }
        QByteArray line = pending_ + arrival.mid(from, end - from);
        pending_.clear();
        from = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        literalLeft_ = qMax<qint64>(0, LiteralSize(line));
        lines << line;
    }
    return lines;
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The words of a line split at blanks.
QList<QByteArray> Words(const QByteArray& line) { return line.split(' '); }

// True when a capability list on the line names LOGINDISABLED: "* CAPABILITY ..." or a
// "[CAPABILITY ...]" response code.
bool ListsLoginDisabled(const QByteArray& line) {
    const QByteArray upper = line.toUpper();
    if (!upper.contains("CAPABILITY"))
        return false;
    for (QByteArray word : Words(upper)) {
        while (word.endsWith(']'))
            word.chop(1);
        if (word == "LOGINDISABLED")
            return true;
    }
    return false;
}

// "* n RECENT" with blanks after it allowed; the count capped at MaxRecentCount.
bool ParseRecent(const QByteArray& line, qint16& count) {
    static const QByteArray suffix(" RECENT");
    qsizetype end = line.size();
    while (end > 0 && (line.at(end - 1) == ' ' || line.at(end - 1) == '\t'))
        --end;
    const QByteArray trimmed = line.left(end).toUpper();
    if (!trimmed.startsWith("* ") || !trimmed.endsWith(suffix))
        return false;
    const qsizetype first = 2;
    const qsizetype last = trimmed.size() - suffix.size();
    if (last <= first)
        return false;
    int value = 0;
    for (qsizetype i = first; i < last; ++i) {
        const char c = trimmed.at(i);
        if (!IsDigit(c))
            return false;
        value = qMin(MaxRecentCount, value * 10 + (c - '0'));
    }
    count = qint16(value);
    return true;
}

}  // namespace

LineMeaning Classify(const QByteArray& line) {
    LineMeaning meaning;
    meaning.loginDisabled = ListsLoginDisabled(line);
    if (ParseRecent(line, meaning.recent)) {
        meaning.kind = LineKind::Recent;
        return meaning;
    }
    const qsizetype firstBlank = line.indexOf(' ');
    if (firstBlank <= 0)
        return meaning;
    const QByteArray tag = line.left(firstBlank);
    const qsizetype secondBlank = line.indexOf(' ', firstBlank + 1);
    const QByteArray word = line.mid(firstBlank + 1, secondBlank < 0 ? -1 : secondBlank - firstBlank - 1).toUpper();
    meaning.text = secondBlank < 0 ? QByteArray() : line.mid(secondBlank + 1);
    if (tag == "*") {
        if (word == "OK" || word == "PREAUTH") {
            meaning.kind = LineKind::Greeting;
            meaning.preauth = word == "PREAUTH";
        } else if (word == "BYE") {
            meaning.kind = LineKind::Bye;
        }
        return meaning;
    }
    if (tag == "+")
        return meaning;
    if (word == "OK" || word == "NO" || word == "BAD") {
        meaning.kind = LineKind::Tagged;
        meaning.tag = tag.toUpper();
        meaning.status = word == "OK" ? Status::Ok : word == "NO" ? Status::No : Status::Bad;
    }
    return meaning;
}

QString ServerText(const QByteArray& text) {
    QString shown = DecodeReceived(text.left(1200)).left(300);
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return shown;
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

bool IsQuotedString(const QByteArray& bytes) {
    if (bytes.size() < 2 || !bytes.startsWith('"') || !bytes.endsWith('"'))
        return false;
    for (qsizetype i = 1; i < bytes.size() - 1; ++i) {
        const char c = bytes.at(i);
        if (c == '\r' || c == '\n' || c == '\0' || c == '"')
            return false;
        if (c == '\\') {
            ++i;
            if (i >= bytes.size() - 1 || (bytes.at(i) != '"' && bytes.at(i) != '\\'))
                return false;
        }
    }
    return true;
}

namespace {
// One modified base64 run (between "&" and "-") as UTF-16 text that needed the encoding: whole
// 16-bit units, no leftover bits, paired surrogates and no printable ASCII.
bool IsValidShiftedRun(QByteArray run) {
    static const QByteArray alphabet("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+,");
    for (const char c : run) {
        if (!alphabet.contains(c))
            return false;
    }
    // The bits after the last whole 16-bit unit are fewer than six and all zero.
    const int leftover = int((run.size() * 6) % 16);
    if (leftover >= 6 || (alphabet.indexOf(run.back()) & ((1 << leftover) - 1)) != 0)
        return false;
    run.replace(',', '/');
    const QByteArray bytes = QByteArray::fromBase64(run);
    if (bytes.size() % 2 != 0 || bytes.isEmpty())
        return false;
    bool highPending = false;
    for (qsizetype i = 0; i < bytes.size(); i += 2) {
        const char16_t u = char16_t((uchar(bytes.at(i)) << 8) | uchar(bytes.at(i + 1)));
        if (u >= 0x20 && u <= 0x7e)
            return false;
        const bool high = QChar::isHighSurrogate(u);
        const bool low = QChar::isLowSurrogate(u);
        if (highPending != low)
            return false;
        highPending = high;
    }
    return !highPending;
}
}  // namespace

bool IsModifiedUtf7(const QByteArray& bytes) {
    bool sequence = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes.at(i);
        if (c < 0x20 || c > 0x7e)
            return false;
        if (c != '&')
            continue;
        const qsizetype end = bytes.indexOf('-', i + 1);
        if (end < 0)
            return false;
        if (end > i + 1 && !IsValidShiftedRun(bytes.mid(i + 1, end - i - 1)))
            return false;
        sequence = true;
        i = end;
    }
    return sequence;
}

QByteArray Argument(const QByteArray& bytes) {
    QByteArray value = bytes;
    value.replace('\r', QByteArray()).replace('\n', QByteArray()).replace('\0', QByteArray());
    // Stores may hold a value already quoted for the wire; it goes out as it is.
    if (IsAtom(value) || IsQuotedString(value))
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
    // Stores may hold a mailbox already in its wire form: quoted, or in modified UTF-7.
    const QByteArray stored = mailbox.toUtf8();
    const bool wireForm = IsQuotedString(stored) || IsModifiedUtf7(stored);
    return QByteArray(ExamineTag) + " EXAMINE " + Argument(wireForm ? stored : EncodeMailboxName(mailbox)) + "\r\n";
}

QByteArray LogoutCommand() { return QByteArray(LogoutTag) + " LOGOUT\r\n"; }

QString LoginEntry(const QString& username) { return QStringLiteral("A001 LOGIN ") + username; }

QString ExamineEntry(const QString& mailbox) { return QStringLiteral("A002 EXAMINE ") + mailbox; }

QString LogoutEntry() { return QStringLiteral("A004 LOGOUT"); }

}  // namespace Imap
