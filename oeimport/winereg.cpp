#include "oeimport/winereg.h"

#include "core/codepage.h"

#include <QStringDecoder>
#include <QStringList>
#include <QtEndian>

namespace Registry {

QString FoldName(const QString& name) {
    QString folded = name;
    for (QChar& c : folded) {
        const char16_t u = c.unicode();
        if (u >= 'a' && u <= 'z')
            c = QChar(char16_t(u - 'a' + 'A'));
        else if (u >= 0x80)
            c = c.toUpper();
    }
    return folded;
}

const KeyNode* KeyNode::Child(const QString& name) const {
    const auto it = children_.find(FoldName(name));
    return it == children_.end() ? nullptr : it->second.get();
}

KeyNode& KeyNode::ChildOrCreate(const QString& name) {
    auto& slot = children_[FoldName(name)];
    if (!slot)
        slot = std::make_unique<KeyNode>(name);
    return *slot;
}

const KeyNode* KeyNode::ChildAt(int index) const {
    if (index < 0 || index >= ChildCount())
        return nullptr;
    if (ordered_.size() != children_.size()) {  // subkeys are only ever added, or all cleared
        ordered_.clear();
        ordered_.reserve(children_.size());
        for (const auto& child : children_)
            ordered_.push_back(child.second.get());
    }
    return ordered_[size_t(index)];
}

const KeyNode* KeyNode::Find(const QString& path) const {
    const KeyNode* node = this;
    for (const QString& part : path.split(QLatin1Char('\\'))) {
        node = node->Child(part);
        if (!node)
            return nullptr;
    }
    return node;
}

const Value* KeyNode::FindValue(const QString& name) const {
    const auto it = values_.find(FoldName(name));
    return it == values_.end() ? nullptr : &it->second;
}

void KeyNode::SetValue(const QString& name, const Value& value) { values_[FoldName(name)] = value; }

void KeyNode::Clear() {
    children_.clear();
    ordered_.clear();
    values_.clear();
}

namespace Wine {
namespace {

const QString kHeader = QStringLiteral("WINE REGISTRY Version 2");

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

bool IsBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

void SkipBlanks(QStringView text, int* pos) {
    while (*pos < text.size() && IsBlank(text[*pos]))
        ++*pos;
}

bool OnlyBlanksFrom(QStringView text, int pos) {
    SkipBlanks(text, &pos);
    return pos == text.size();
}

// Consumes a keyword if the text continues with it (letter case ignored).
bool Take(QStringView text, int* pos, QLatin1String word) {
    if (!text.mid(*pos).startsWith(word, Qt::CaseInsensitive))
        return false;
    *pos += int(word.size());
    return true;
}

// Reads up to maxDigits hex digits; false when there is none.
bool TakeHex(QStringView text, int* pos, int maxDigits, quint64* value) {
    int digits = 0;
    *value = 0;
    while (digits < maxDigits && *pos < text.size() && HexDigit(text[*pos]) >= 0) {
        *value = *value * 16 + quint64(HexDigit(text[*pos]));
        ++*pos;
        ++digits;
    }
    return digits > 0;
}

// The data of a text value as the registry keeps it: UTF-16LE with a terminating zero.
QByteArray Utf16Data(const QString& text) {
    QByteArray data((text.size() + 1) * 2, '\0');
    qToLittleEndian<char16_t>(text.utf16(), text.size(), data.data());
    return data;
}

// hex:/hex(N): data: bytes of one or two hex digits, separated by commas, blanks allowed.
std::optional<QByteArray> ParseHexBytes(QStringView text, int pos) {
    QByteArray data;
    for (;;) {
        SkipBlanks(text, &pos);
        if (pos == text.size())
            return data;
        quint64 byte = 0;
        if (!TakeHex(text, &pos, 2, &byte))
            return std::nullopt;
        data.append(char(byte));
        SkipBlanks(text, &pos);
        if (pos == text.size())
            return data;
        if (text[pos] != QLatin1Char(','))
            return std::nullopt;
        ++pos;
    }
}

// The data part of a value line, after the "=".
std::optional<Value> ParseData(QStringView text, int pos) {
    Value value;
    quint64 number = 0;
    if (pos < text.size() && text[pos] == QLatin1Char('"')) {
        ++pos;
        const auto s = Unescape(text, &pos, QLatin1Char('"'));
        if (!s || !OnlyBlanksFrom(text, pos))
            return std::nullopt;
        value.type = TypeSz;
        value.data = Utf16Data(*s);
        return value;
    }
    if (Take(text, &pos, QLatin1String("str("))) {
        if (!TakeHex(text, &pos, 8, &number) || !Take(text, &pos, QLatin1String("):\"")))
            return std::nullopt;
        const auto s = Unescape(text, &pos, QLatin1Char('"'));
        if (!s || !OnlyBlanksFrom(text, pos))
            return std::nullopt;
        value.type = quint32(number);
        value.data = Utf16Data(*s);
        return value;
    }
    if (Take(text, &pos, QLatin1String("dword:"))) {
        if (!TakeHex(text, &pos, 8, &number) || !OnlyBlanksFrom(text, pos))
            return std::nullopt;
        value.type = TypeDword;
        for (int i = 0; i < 4; ++i)
            value.data.append(char((number >> (8 * i)) & 0xFF));
        return value;
    }
    if (Take(text, &pos, QLatin1String("hex:"))) {
        value.type = TypeBinary;
    } else if (Take(text, &pos, QLatin1String("hex("))) {
        if (!TakeHex(text, &pos, 8, &number) || !Take(text, &pos, QLatin1String("):")))
            return std::nullopt;
        value.type = quint32(number);
    } else {
        return std::nullopt;
    }
    const auto data = ParseHexBytes(text, pos);
    if (!data)
        return std::nullopt;
    value.data = *data;
    return value;
}

// True when the line ends in a backslash that escapes nothing: the value goes on in the next line.
// A continued line is joined without its last backslash, which leaves no escape open, so each
// physical line can be asked on its own.
bool EndsContinued(QStringView line) {
    for (int i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\')) {
            if (i == line.size() - 1)
                return true;
            ++i;  // the escaped character
        }
    }
    return false;
}

QString DecodeFile(const QByteArray& content) {
    // Wine writes plain ASCII (everything else as \x escapes); hand-made files may hold UTF-8 or,
    // like regedit's exports, the Windows code page.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(content);
    if (!utf8.hasError())
        return text;
    text.clear();
    for (const char b : content)
        text.append(CodePage::FromCode(quint8(b)));
    return text;
}

QString TrimEnd(const QString& line) {
    int end = int(line.size());
    while (end > 0 && (IsBlank(line[end - 1]) || line[end - 1] == QLatin1Char('\r')))
        --end;
    return line.left(end);
}

QString TrimStart(const QString& line) {
    int start = 0;
    while (start < line.size() && IsBlank(line[start]))
        ++start;
    return line.mid(start);
}

// The key named in a key line "[path] time", created with every key above it; null when the
// line cannot be read.
KeyNode* ParseKeyLine(const QString& line, KeyNode& root) {
    int pos = 1;
    const auto path = Unescape(line, &pos, QLatin1Char(']'));
    if (!path)
        return nullptr;
    const QStringList parts = path->split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (parts.size() > MaxKeyDepth)
        return nullptr;
    KeyNode* node = &root;
    for (const QString& part : parts)
        node = &node->ChildOrCreate(part);
    return node;
}

// Stores the value of a line `"name"=data` or `@=data` in key; false when the line cannot be read.
bool ParseValueLine(const QString& line, KeyNode& key) {
    int pos = 0;
    QString name;
    if (line.startsWith(QLatin1Char('@'))) {
        pos = 1;
    } else {
        pos = 1;
        const auto n = Unescape(line, &pos, QLatin1Char('"'));
        if (!n)
            return false;
        name = *n;
    }
    SkipBlanks(line, &pos);
    if (pos == line.size() || line[pos] != QLatin1Char('='))
        return false;
    ++pos;
    SkipBlanks(line, &pos);
    const auto value = ParseData(line, pos);
    if (!value)
        return false;
    key.SetValue(name, *value);
    return true;
}

}  // namespace

std::optional<QString> Unescape(QStringView text, int* pos, QChar end) {
    QString out;
    int p = *pos;
    while (p < text.size()) {
        const QChar c = text[p];
        if (c == end) {
            *pos = p + 1;
            return out;
        }
        if (c != QLatin1Char('\\')) {
            int plain = p + 1;  // the run of characters that stand for themselves, taken at once
            while (plain < text.size() && text[plain] != end && text[plain] != QLatin1Char('\\'))
                ++plain;
            out.append(text.mid(p, plain - p));
            p = plain;
            continue;
        }
        if (++p == text.size())
            return std::nullopt;
        const char16_t e = text[p].unicode();
        switch (e) {
        case 'a': out.append(QChar(7)); ++p; break;
        case 'b': out.append(QChar(8)); ++p; break;
        case 'e': out.append(QChar(27)); ++p; break;
        case 'f': out.append(QChar(12)); ++p; break;
        case 'n': out.append(QChar(10)); ++p; break;
        case 'r': out.append(QChar(13)); ++p; break;
        case 't': out.append(QChar(9)); ++p; break;
        case 'v': out.append(QChar(11)); ++p; break;
        case 'x': {
            ++p;
            quint64 unit = 0;
            if (TakeHex(text, &p, 4, &unit))
                out.append(QChar(char16_t(unit)));
            else
                out.append(QLatin1Char('x'));
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                int unit = 0;
                for (int digits = 0; digits < 3 && p < text.size(); ++digits, ++p) {
                    const char16_t d = text[p].unicode();
                    if (d < '0' || d > '7')
                        break;
                    unit = unit * 8 + (d - '0');
                }
                out.append(QChar(char16_t(unit)));
            } else {
                out.append(text[p]);  // \\, \", \[, \] and any other character stand for themselves
                ++p;
            }
        }
    }
    return std::nullopt;
}

bool Parse(const QByteArray& content, KeyNode& root) {
    root.Clear();
    QString text = DecodeFile(content);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.isEmpty() || TrimEnd(lines.first()) != kHeader)
        return false;

    KeyNode* key = nullptr;  // the key of the last key line; values before any key are dropped
    for (int i = 1; i < lines.size(); ++i) {
        QString line = TrimEnd(lines[i]);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;  // comments, "#arch=", and key options such as "#time=" or "#class="
        if (line.startsWith(QLatin1Char('['))) {
            key = ParseKeyLine(line, root);
            continue;
        }
        if (!line.startsWith(QLatin1Char('"')) && !line.startsWith(QLatin1Char('@')))
            continue;
        // Long data is written over several lines, each but the last ending in a backslash.
        for (bool continued = EndsContinued(line); continued && i + 1 < lines.size();) {
            line.chop(1);
            const QString next = TrimStart(TrimEnd(lines[++i]));
            continued = EndsContinued(next);
            line += next;
        }
        if (key)
            ParseValueLine(line, *key);
    }
    return true;
}

}  // namespace Wine

}  // namespace Registry
