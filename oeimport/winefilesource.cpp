#include "oeimport/winefilesource.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace Registry {

namespace {
// What a reader may ask for: KEY_READ and the flags that only choose the 32- or 64-bit view.
constexpr quint32 kReadAccessMask = KeyRead | AccessWow64Key64 | AccessWow64Key32;
}  // namespace

WineFileSource::WineFileSource(const QString& path) : path_(path) {}

QString WineFileSource::DefaultPath() { return QDir::homePath() + QStringLiteral("/.wine/user.reg"); }

void WineFileSource::Load() {
    QFile file(path_);
    QByteArray content;
    const bool readable = file.open(QIODevice::ReadOnly);
    if (readable)
        content = file.readAll();
    // A reader opens the hive several times in a row; the same content is not parsed again.
    if (readable && loaded_ && content == content_)
        return;
    content_ = content;
    loaded_ = readable;
    if (readable)
        Wine::Parse(content_, root_);
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
        QString text(value->data.size() / 2, Qt::Uninitialized);
        qFromLittleEndian<char16_t>(value->data.constData(), text.size(), text.data());
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
