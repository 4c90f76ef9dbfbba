// The IMAP dialogue's text side against any server data and any stored values: lines come out the
// same however the data is cut into arrivals, every reading stays in its bounds, and no command
// built from user values holds a line end before its own.
#include "check/imapdialogue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdlib>

namespace {
void Check(bool condition) {
    if (!condition)
        std::abort();
}

// Exactly one line: ends with CR LF and holds no other CR, LF or NUL.
void CheckOneLine(const QByteArray& command) {
    Check(command.endsWith("\r\n"));
    const QByteArray body = command.chopped(2);
    Check(!body.contains('\r') && !body.contains('\n') && !body.contains('\0'));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size) {
    if (size == 0)
        return 0;
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const int step = data[0] % 16 + 1;

    // Server data, whole and cut into arrivals of step bytes.
    Imap::LineAssembler whole;
    const QList<QByteArray> lines = whole.Add(input);
    Imap::LineAssembler cut;
    QList<QByteArray> cutLines;
    for (qsizetype at = 0; at < input.size(); at += step)
        cutLines += cut.Add(input.mid(at, step));
    if (input.size() <= Imap::LineAssembler::MaxPending)
        Check(lines == cutLines);
    for (const QByteArray& line : lines) {
        Check(!line.contains('\n'));
        const Imap::LineMeaning meaning = Imap::Classify(line);
        if (meaning.kind == Imap::LineKind::Recent)
            Check(meaning.recent >= 0 && meaning.recent <= Imap::MaxRecentCount);
        const QString text = Imap::ServerText(meaning.text.isEmpty() ? line : meaning.text);
        Check(text.size() <= 300);
        for (const QChar c : text)
            Check(c.unicode() >= 0x20);
    }
    Check(Imap::ProtocolPieces(input).join(QString()).size() <= Imap::MaxProtocolBytes + 200);

    // Stored values: user name, password and mailbox; the first two split at NUL.
    const QList<QByteArray> parts = input.split('\0');
    const QByteArray argument = Imap::Argument(input);
    Check(!argument.contains('\r') && !argument.contains('\n') && !argument.contains('\0'));
    Check(Imap::IsAtom(argument) || Imap::IsQuotedString(argument));
    for (const char c : Imap::EncodeMailboxName(QString::fromUtf8(input)))
        Check(c >= 0x20 && c < 0x7f);
    CheckOneLine(Imap::LoginCommand(QString::fromUtf8(parts.value(0)), QString::fromUtf8(parts.value(1))));
    CheckOneLine(Imap::ExamineCommand(QString::fromUtf8(input)));
    CheckOneLine(Imap::ExamineCommand(QString::fromLatin1(input)));
    return 0;
}
