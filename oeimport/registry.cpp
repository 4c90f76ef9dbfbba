#include "oeimport/registry.h"

#include "core/codepage.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cstring>

namespace Registry {

// ---------------------------------------------------------------------------------------------
// Source

QString Source::NarrowToText(const QByteArray& bytes) const {
    QString text;
    text.reserve(bytes.size());
    for (const char b : bytes)
        text.append(CodePage::FromCode(quint8(b)));
    return text;
}

QByteArray Source::TextToNarrow(const QString& text) const {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(char(CodePage::ToCode(c)));
    return bytes;
}

namespace {
Source* testSource = nullptr;
}  // namespace

Source& Default() {
    if (testSource)
        return *testSource;
#ifdef Q_OS_WIN
    static WindowsSource source;
#else
    static WineFileSource source(WineFileSource::DefaultPath());
#endif
    return source;
}

void SetDefaultForTesting(Source* source) { testSource = source; }

// ---------------------------------------------------------------------------------------------
// KeyNode

QString FoldName(const QString& name) {
    QString folded = name;
    for (QChar& c : folded)
        c = c.toUpper();
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
    return std::next(children_.begin(), index)->second.get();
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
    values_.clear();
}

// ---------------------------------------------------------------------------------------------
// Wine's file format

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
    QByteArray data;
    data.reserve((text.size() + 1) * 2);
    for (const QChar c : text) {
        data.append(char(c.unicode() & 0xFF));
        data.append(char(c.unicode() >> 8));
    }
    data.append('\0');
    data.append('\0');
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
bool EndsContinued(const QString& line) {
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
    KeyNode* node = &root;
    for (const QString& part : path->split(QLatin1Char('\\'), Qt::SkipEmptyParts))
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
            out.append(c);
            ++p;
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
        while (EndsContinued(line) && i + 1 < lines.size()) {
            line.chop(1);
            line += TrimStart(TrimEnd(lines[++i]));
        }
        if (key)
            ParseValueLine(line, *key);
    }
    return true;
}

}  // namespace Wine

// ---------------------------------------------------------------------------------------------
// WineFileSource

namespace {
// KEY_READ plus the flags that only choose the 32- or 64-bit view.
constexpr quint32 kReadAccessMask = KeyRead | 0x0100 | 0x0200;
}  // namespace

WineFileSource::WineFileSource(const QString& path) : path_(path) {}

QString WineFileSource::DefaultPath() { return QDir::homePath() + QStringLiteral("/.wine/user.reg"); }

void WineFileSource::Load() {
    QFile file(path_);
    if (file.open(QIODevice::ReadOnly))
        Wine::Parse(file.readAll(), root_);
    else
        root_.Clear();
}

const KeyNode* WineFileSource::Node(Key key) const {
    if (key == CurrentUser)
        return &root_;
    const auto it = open_.find(key);
    return it == open_.end() ? nullptr : it->second;
}

long WineFileSource::RegOpenKeyExA(Key root, const char* subKey, quint32 /*options*/,
                                   quint32 access, Key* result) {
    if (!result)
        return ResultInvalidParameter;
    *result = 0;
    if (access & ~kReadAccessMask)
        return ResultAccessDenied;  // this source is read only
    if (root == CurrentUser && open_.empty())
        Load();
    const KeyNode* node = Node(root);
    if (!node)
        return ResultInvalidHandle;

    QStringList parts = NarrowToText(QByteArray(subKey ? subKey : "")).split(QLatin1Char('\\'));
    if (parts.size() > 1 && parts.last().isEmpty())
        parts.removeLast();  // one trailing backslash is allowed
    if (parts.size() == 1 && parts.first().isEmpty())
        parts.clear();  // no path: the key itself
    for (const QString& part : parts) {
        node = part.isEmpty() ? nullptr : node->Child(part);
        if (!node)
            return ResultFileNotFound;
    }
    nextHandle_ += 4;
    open_[nextHandle_] = node;
    *result = nextHandle_;
    return ResultOk;
}

long WineFileSource::RegQueryInfoKeyA(Key key, quint32* subKeys, quint32* maxSubKeyLength) {
    const KeyNode* node = Node(key);
    if (!node)
        return ResultInvalidHandle;
    quint32 longest = 0;
    for (int i = 0; i < node->ChildCount(); ++i)
        longest = std::max(longest, quint32(node->ChildAt(i)->Name().size()));
    if (subKeys)
        *subKeys = quint32(node->ChildCount());
    if (maxSubKeyLength)
        *maxSubKeyLength = longest;
    return ResultOk;
}

long WineFileSource::RegEnumKeyExA(Key key, quint32 index, char* name, quint32* nameSize) {
    const KeyNode* node = Node(key);
    if (!node)
        return ResultInvalidHandle;
    if (!name || !nameSize)
        return ResultInvalidParameter;
    if (index >= quint32(node->ChildCount()))
        return ResultNoMoreItems;
    const QByteArray bytes = TextToNarrow(node->ChildAt(int(index))->Name());
    if (quint32(bytes.size()) + 1 > *nameSize)
        return ResultMoreData;
    std::memcpy(name, bytes.constData(), size_t(bytes.size()));
    name[bytes.size()] = '\0';
    *nameSize = quint32(bytes.size());
    return ResultOk;
}

long WineFileSource::RegQueryValueExA(Key key, const char* valueName, quint32* type, quint8* data,
                                      quint32* dataSize) {
    const KeyNode* node = Node(key);
    if (!node)
        return ResultInvalidHandle;
    const Value* value = node->FindValue(NarrowToText(QByteArray(valueName ? valueName : "")));
    if (!value)
        return ResultFileNotFound;

    QByteArray bytes = value->data;
    if (IsTextType(value->type)) {
        // Stored as UTF-16LE; handed out in the narrow code page, one byte per character, zeros
        // (the terminating one included) kept where they are.
        QString text;
        for (int i = 0; i + 1 < value->data.size(); i += 2)
            text.append(QChar(char16_t(quint8(value->data[i]) | (quint8(value->data[i + 1]) << 8))));
        bytes = TextToNarrow(text);
    }
    if (type)
        *type = value->type;
    if (!data) {
        if (dataSize)
            *dataSize = quint32(bytes.size());
        return ResultOk;
    }
    if (!dataSize)
        return ResultInvalidParameter;
    if (*dataSize < quint32(bytes.size())) {
        *dataSize = quint32(bytes.size());
        return ResultMoreData;
    }
    std::memcpy(data, bytes.constData(), size_t(bytes.size()));
    *dataSize = quint32(bytes.size());
    return ResultOk;
}

long WineFileSource::RegCloseKey(Key key) {
    if (key == CurrentUser)
        return ResultOk;
    return open_.erase(key) ? ResultOk : ResultInvalidHandle;
}

}  // namespace Registry

// ---------------------------------------------------------------------------------------------
// WindowsSource

#ifdef Q_OS_WIN
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace Registry {
namespace {
HKEY ToHkey(Key key) {
    return key == CurrentUser ? HKEY_CURRENT_USER : reinterpret_cast<HKEY>(key);
}
}  // namespace

long WindowsSource::RegOpenKeyExA(Key root, const char* subKey, quint32 options, quint32 access,
                                  Key* result) {
    if (!result)
        return ResultInvalidParameter;
    HKEY opened = nullptr;
    const LSTATUS status =
        ::RegOpenKeyExA(ToHkey(root), subKey, DWORD(options), REGSAM(access), &opened);
    *result = status == ERROR_SUCCESS ? reinterpret_cast<Key>(opened) : 0;
    return status;
}

long WindowsSource::RegQueryInfoKeyA(Key key, quint32* subKeys, quint32* maxSubKeyLength) {
    DWORD count = 0;
    DWORD longest = 0;
    const LSTATUS status = ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &count,
                                              &longest, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
        if (subKeys)
            *subKeys = quint32(count);
        if (maxSubKeyLength)
            *maxSubKeyLength = quint32(longest);
    }
    return status;
}

long WindowsSource::RegEnumKeyExA(Key key, quint32 index, char* name, quint32* nameSize) {
    if (!nameSize)
        return ResultInvalidParameter;
    DWORD size = DWORD(*nameSize);
    const LSTATUS status =
        ::RegEnumKeyExA(ToHkey(key), DWORD(index), name, &size, nullptr, nullptr, nullptr, nullptr);
    *nameSize = quint32(size);
    return status;
}

long WindowsSource::RegQueryValueExA(Key key, const char* valueName, quint32* type, quint8* data,
                                     quint32* dataSize) {
    DWORD valueType = 0;
    DWORD size = dataSize ? DWORD(*dataSize) : 0;
    const LSTATUS status = ::RegQueryValueExA(ToHkey(key), valueName, nullptr, &valueType, data,
                                              dataSize ? &size : nullptr);
    if (type)
        *type = quint32(valueType);
    if (dataSize)
        *dataSize = quint32(size);
    return status;
}

long WindowsSource::RegCloseKey(Key key) {
    if (key == CurrentUser)
        return ResultOk;  // the predefined root is not ours to close
    return ::RegCloseKey(ToHkey(key));
}

QString WindowsSource::NarrowToText(const QByteArray& bytes) const {
    return QString::fromLocal8Bit(bytes);  // the system (ANSI) code page
}

QByteArray WindowsSource::TextToNarrow(const QString& text) const { return text.toLocal8Bit(); }

}  // namespace Registry
#endif
