#pragma once

#include "core/numeric.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The text side of the IMAP check dialogue: what goes on the wire, how received data is shown in
// the protocol list and how the server's lines are understood. No socket, no state of the cycle.
namespace Imap {

// The fixed tags of the dialogue.
inline constexpr char LoginTag[] = "A001";
inline constexpr char ExamineTag[] = "A002";
inline constexpr char LogoutTag[] = "A004";

// The highest recent count kept (the count is a signed 16-bit number).
inline constexpr int MaxRecentCount = Numeric::Int16Max;

// Received bytes as text: UTF-8 where they are valid UTF-8, else Latin-1 (one character a byte).
QString DecodeReceived(const QByteArray& bytes);

// One arrival as the protocol list shows it: split at every CR LF pair, each piece decoded. The
// piece after a final CR LF is empty and is part of the result; lone CR or LF do not split.
QStringList ProtocolPieces(const QByteArray& arrival);

// Collects arrivals into complete lines. A line ends at LF; a CR right before it is dropped.
// Whatever follows the last line end waits for the next arrival.
class LineAssembler {
public:
    // Adds one arrival and returns the lines it completed, in order, without their line ends.
    QList<QByteArray> Add(const QByteArray& arrival);
    // Forgets the unfinished line (a new connection).
    void Clear() { pending_.clear(); }
    // The unfinished line so far.
    const QByteArray& Pending() const { return pending_; }

    // An unfinished line longer than this is dropped: no line the dialogue waits for is that long.
    static constexpr int MaxPending = 64 * 1024;

private:
    QByteArray pending_;
};

// What one complete line from the server means to the dialogue.
enum class LineKind {
    Other,      // nothing the dialogue acts on
    LoginOk,    // "A001 OK ..."
    ExamineOk,  // "A002 OK ..."
    LogoutOk,   // "A004 OK ..."
    Recent,     // "* n RECENT"
};

struct LineMeaning {
    LineKind kind = LineKind::Other;
    qint16 recent = 0;  // the count of a Recent line
};

// Tagged replies are recognised at the start of the line; the recent count from an untagged
// "* n RECENT" line, the whole number, capped at MaxRecentCount.
LineMeaning Classify(const QByteArray& line);

// True when the bytes can go out as an IMAP atom: not empty, 7-bit, no blank, control character,
// double quote, backslash, parenthesis, brace, percent or asterisk.
bool IsAtom(const QByteArray& bytes);

// A value as an IMAP argument: CR, LF and NUL are dropped; the rest goes out as it is when it is an
// atom, else as a quoted string with double quote and backslash escaped.
QByteArray Argument(const QByteArray& bytes);

// A mailbox name in IMAP's modified UTF-7 ("Entwürfe" gives "Entw&APw-rfe", "&" gives "&-").
QByteArray EncodeMailboxName(const QString& name);

// The commands, each ending with CR LF. User name and password go out as UTF-8, the mailbox in
// modified UTF-7, each as an atom where it is one, else quoted.
QByteArray LoginCommand(const QString& username, const QString& password);
QByteArray ExamineCommand(const QString& mailbox);
QByteArray LogoutCommand();

// The protocol entries written after sending: the LOGIN entry never holds the password.
QString LoginEntry(const QString& username);
QString ExamineEntry(const QString& mailbox);
QString LogoutEntry();

}  // namespace Imap
