#include "desktop/desktopentry.h"

#include <QFile>
#include <QTextStream>
#include <algorithm>

namespace DesktopEntry {

namespace {
QString Unescape(const QString& raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const QChar next = raw.at(++i);
        switch (next.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        default: out += next; break;  // "\\" and "\;"
        }
    }
    return out;
}

// Splits an Exec value into words: blanks separate, double quotes group, and inside quotes a
// backslash takes the next character as it is. False when a quote is not closed.
bool SplitWords(const QString& exec, QStringList& words) {
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == QLatin1Char('"'))
                quoted = false;
            else if (c == QLatin1Char('\\') && i + 1 < exec.size())
                word += exec.at(++i);
            else
                word += c;
        } else if (c == QLatin1Char('"')) {
            quoted = inWord = true;
        } else if (c.isSpace()) {
            if (inWord)
                words << word;
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted)
        return false;
    if (inWord)
        words << word;
    return true;
}
}  // namespace

QHash<QString, QString> Read(const QString& path, const QString& group) {
    QHash<QString, QString> keys;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    QTextStream in(&file);
    bool inGroup = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inGroup && equals > 0 && !keys.contains(line.left(equals).trimmed()))
            keys.insert(line.left(equals).trimmed(), Unescape(line.mid(equals + 1).trimmed()));
    }
    return keys;
}

QStringList Command(const QHash<QString, QString>& entry, const QString& file) {
    QStringList words;
    if (!SplitWords(entry.value(QStringLiteral("Exec")), words))
        return {};
    QStringList command;
    for (const QString& word : std::as_const(words)) {
        if (word == QLatin1String("%i")) {
            if (!entry.value(QStringLiteral("Icon")).isEmpty())
                command << QStringLiteral("--icon") << entry.value(QStringLiteral("Icon"));
            continue;
        }
        QString expanded;
        bool dropped = false;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word.at(i) != QLatin1Char('%') || i + 1 == word.size()) {
                expanded += word.at(i);
                continue;
            }
            switch (word.at(++i).unicode()) {
            case '%': expanded += QLatin1Char('%'); break;
            case 'c': expanded += entry.value(QStringLiteral("Name")); break;
            case 'k': expanded += file; break;
            default: dropped = true; break;  // files, URLs and the deprecated codes
            }
        }
        if (!(dropped && expanded.isEmpty()))
            command << expanded;
    }
    return command;
}

QString ExecValue(const QString& program) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString value = program;
    if (std::any_of(program.begin(), program.end(), [](QChar c) { return reserved.contains(c); })) {
        value.clear();
        for (const QChar c : program) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                value += QLatin1Char('\\');
            value += c;
        }
        value = QLatin1Char('"') + value + QLatin1Char('"');
    }
    return value.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

QString Escape(const QString& value) {
    QString out = value;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    out.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    out.replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    return out;
}

}  // namespace DesktopEntry
