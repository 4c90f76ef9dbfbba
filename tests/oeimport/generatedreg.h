#pragma once

#include <QByteArray>
#include <ctime>

// Registry files in Wine's format, made to size: keys nested deep, values continued over many
// lines, many accounts. For the tests of the reader and its benchmark.
namespace GeneratedReg {

// Processor time of this process: what the reader costs, however busy the machine is.
inline double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

inline QByteArray Header() { return "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21\n\n#arch=win32\n"; }

// A key "[K\\K\\...]" depth levels deep holding "Tief"="unten", then a plain key holding "Danach"="da".
inline QByteArray DeepKey(int depth) {
    QByteArray path = "K";
    path.reserve(3 * depth);
    for (int i = 1; i < depth; ++i)
        path += "\\\\K";
    return Header() + "\n[" + path + "] 1700000000\n\"Tief\"=\"unten\"\n\n[Software\\\\Danach] 1700000000\n\"Danach\"=\"da\"\n";
}

// "Software\\Gross" holding "Blob", hex data of about textBytes of text in lines ending in backslashes.
inline QByteArray ContinuedValue(int textBytes) {
    QByteArray out = Header() + "\n[Software\\\\Gross] 1700000000\n\"Blob\"=hex:";
    out.reserve(textBytes + 256);
    const int bytes = textBytes / 3;
    for (int i = 0; i < bytes; ++i) {
        out += QByteArray::number(i % 256, 16).rightJustified(2, '0');
        if (i + 1 < bytes)
            out += (i % 25 == 24) ? ",\\\n  " : ",";
    }
    return out + "\n";
}

// count IMAP accounts 00000001 ... under the account manager, in reverse order in the file.
inline QByteArray Accounts(int count) {
    QByteArray out = Header() + "\n[Software\\\\Microsoft\\\\Internet Account Manager] 1700000000\n"
                                "\"Default Mail Account\"=\"00000001\"\n";
    for (int i = count; i >= 1; --i) {
        const QByteArray id = QByteArray::number(i).rightJustified(8, '0');
        out += "\n[Software\\\\Microsoft\\\\Internet Account Manager\\\\Accounts\\\\" + id + "] 1700000000\n"
               "\"Account Name\"=\"Konto " + id + "\"\n"
               "\"IMAP Server\"=\"imap" + id + ".example\"\n"
               "\"IMAP User Name\"=\"user" + id + "\"\n"
               "\"IMAP Port\"=dword:0000008f\n"
               "\"SMTP Email Address\"=\"" + id + "@example.org\"\n";
    }
    return out;
}

}  // namespace GeneratedReg
