#pragma once

#include "core/numeric.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The text side of the IMAP check dialogue: what goes on the wire, how received data is shown in
// the protocol list and how the server's lines are understood. No socket, no state of the cycle.
namespace Imap {

// The fixed tags of the dialogue, in the order the commands go out.
inline constexpr char StartTlsTag[] = "A000";  // only on accounts that ask for STARTTLS
inline constexpr char LoginTag[] = "A001";
inline constexpr char ExamineTag[] = "A002";
inline constexpr char LogoutTag[] = "A004";

// The highest recent count kept (the count is a signed 16-bit number).
inline constexpr int MaxRecentCount = Numeric::Int16Max;

// Received bytes as text: UTF-8 where they are valid UTF-8, else Latin-1 (one character a byte).
QString DecodeReceived(const QByteArray& bytes);

// At most this many bytes of one arrival are shown in the protocol list.
inline constexpr int MaxProtocolBytes = 4096;
// A server that sends more than this without finishing its dialogue is dropped.
inline constexpr qint64 MaxDialogueBytes = 1024 * 1024;

// One arrival as the protocol list shows it: split at every CR LF pair, each piece decoded. The
// piece after a final CR LF is empty and is part of the result; lone CR or LF do not split. Only
// the first MaxProtocolBytes are shown; a longer arrival gets one more entry saying its size.
QStringList ProtocolPieces(const QByteArray& arrival);

// Collects arrivals into complete lines. A line ends at LF; a CR right before it is dropped.
// Whatever follows the last line end waits for the next arrival. A line ending in a literal
// announcement "{n}" is followed by n bytes of data that are no lines: they are skipped, and what
// follows them is returned as a line of its own.
class LineAssembler {
public:
    // Adds one arrival and returns the lines it completed, in order, without their line ends.
    QList<QByteArray> Add(const QByteArray& arrival);
    // Forgets the unfinished line and any literal still expected (a new connection).
    void Clear() {
        pending_.clear();
        literalLeft_ = 0;
    }

    // An unfinished line longer than this is dropped: no line the dialogue waits for is that long.
    static constexpr int MaxPending = 64 * 1024;

private:
    QByteArray pending_;
    qint64 literalLeft_ = 0;
};

// What one complete line from the server means to the dialogue.
enum class LineKind {
    Other,     // nothing the dialogue acts on
    Greeting,  // "* OK ..." or "* PREAUTH ..."
    Bye,       // "* BYE ..."
    Tagged,    // "<tag> OK|NO|BAD ..."
    Recent,    // "* n RECENT"
};

enum class Status { Ok, No, Bad };

struct LineMeaning {
    LineKind kind = LineKind::Other;
    QByteArray tag;          // of a Tagged line
    Status status = Status::Ok;  // of a Tagged line
    QByteArray text;         // the server's text after the status (Tagged, Greeting, Bye)
    qint16 recent = 0;       // the count of a Recent line
    bool preauth = false;    // a Greeting that says the client is logged in already
    bool loginDisabled = false;  // the line lists the capability LOGINDISABLED
};

// Tags and status words are matched without regard to case; the recent count from an untagged
// "* n RECENT" line, the whole number, capped at MaxRecentCount.
LineMeaning Classify(const QByteArray& line);

// The server's text for a log line: decoded, control characters made blanks, at most 300
// characters.
QString ServerText(const QByteArray& text);

// True when the bytes can go out as an IMAP atom: not empty, 7-bit, no blank, control character,
// double quote, backslash, parenthesis, brace, percent or asterisk.
bool IsAtom(const QByteArray& bytes);

// True when the bytes are one complete IMAP quoted string: enclosed in double quotes, inside them
// a double quote or backslash only escaped by a backslash, and no CR, LF or NUL.
bool IsQuotedString(const QByteArray& bytes);

// True when the bytes are 7-bit printable text in valid modified UTF-7 with at least one "&"
// sequence: a mailbox name that is already in its wire form.
bool IsModifiedUtf7(const QByteArray& bytes);

// A value as an IMAP argument: CR, LF and NUL are dropped; the rest goes out as it is when it is an
// atom or already one quoted string, else as a quoted string with double quote and backslash
// escaped.
QByteArray Argument(const QByteArray& bytes);

// A mailbox name in IMAP's modified UTF-7 ("Entwürfe" gives "Entw&APw-rfe", "&" gives "&-").
QByteArray EncodeMailboxName(const QString& name);

// The commands, each ending with CR LF. User name and password go out as UTF-8, the mailbox in
// modified UTF-7 (unless it is stored in that form already), each as an atom where it is one, as
// it is where it is stored quoted, else quoted.
QByteArray LoginCommand(const QString& username, const QString& password);
QByteArray ExamineCommand(const QString& mailbox);
QByteArray LogoutCommand();

// The protocol entries written after sending: the LOGIN entry never holds the password.
QString LoginEntry(const QString& username);
QString ExamineEntry(const QString& mailbox);
QString LogoutEntry();

}  // namespace Imap
