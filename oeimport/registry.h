#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <map>
#include <memory>
#include <optional>

// The registry as the Outlook Express reader sees it: five read operations with the behaviour of
// the narrow-text Windows calls of the same names, behind one interface, so that the reader runs
// over the real registry on Windows, over the registry file of a Wine installation elsewhere, and
// over test doubles in the tests.
//
// The methods carry the names of the "A" functions, not of the generic names: <windows.h> turns
// RegOpenKeyEx, RegQueryInfoKey, RegEnumKeyEx and RegQueryValueEx into macros, which would rename
// the methods in every file that includes it. For the same reason no constant here is called like
// a Windows macro (HKEY_CURRENT_USER, KEY_READ, ERROR_MORE_DATA, ...).
namespace Registry {

// A key handle; 0 stands for no key.
using Key = quintptr;

// The predefined root HKEY_CURRENT_USER (its Windows value).
constexpr Key CurrentUser = 0x80000001u;

// KEY_READ, the read access of RegOpenKeyExA.
constexpr quint32 KeyRead = 131097;

// Results of the operations (the Windows error codes).
constexpr long ResultOk = 0;                  // ERROR_SUCCESS
constexpr long ResultFileNotFound = 2;        // ERROR_FILE_NOT_FOUND: no such key or value
constexpr long ResultAccessDenied = 5;        // ERROR_ACCESS_DENIED
constexpr long ResultInvalidHandle = 6;       // ERROR_INVALID_HANDLE
constexpr long ResultInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
constexpr long ResultMoreData = 234;          // ERROR_MORE_DATA: the buffer is too small
constexpr long ResultNoMoreItems = 259;       // ERROR_NO_MORE_ITEMS: enumeration index past the end

// Value types.
constexpr quint32 TypeNone = 0;       // REG_NONE
constexpr quint32 TypeSz = 1;         // REG_SZ
constexpr quint32 TypeExpandSz = 2;   // REG_EXPAND_SZ
constexpr quint32 TypeBinary = 3;     // REG_BINARY
constexpr quint32 TypeDword = 4;      // REG_DWORD
constexpr quint32 TypeMultiSz = 7;    // REG_MULTI_SZ
constexpr quint32 TypeQword = 11;     // REG_QWORD

// True for the types whose data the narrow calls hand out converted from UTF-16 to the code page.
constexpr bool IsTextType(quint32 type) {
    return type == TypeSz || type == TypeExpandSz || type == TypeMultiSz;
}

// A source of registry keys and values. Paths are relative to a root key, their parts separated by
// backslashes; key and value names compare without regard to letter case. Names and text data are
// narrow text (bytes in the source's code page, see NarrowToText).
class Source {
public:
    virtual ~Source() = default;

    // Opens the key at subKey below root (CurrentUser or an open key) and stores its handle in
    // *result (0 on failure). Result 0 on success, 2 when there is no such key.
    virtual long RegOpenKeyExA(Key root, const char* subKey, quint32 options, quint32 access,
                               Key* result) = 0;

    // The number of direct subkeys and the length in characters of the longest subkey name,
    // without its terminating zero. Either pointer may be null. Result 0 on success.
    virtual long RegQueryInfoKeyA(Key key, quint32* subKeys, quint32* maxSubKeyLength) = 0;

    // Writes the name of the subkey at a zero-based index, with a terminating zero, into name.
    // *nameSize is the buffer's size in characters on entry and the name's length without the
    // zero on return. Result 0 on success, 234 when the buffer is too small, 259 when the index is
    // past the last subkey.
    virtual long RegEnumKeyExA(Key key, quint32 index, char* name, quint32* nameSize) = 0;

    // Copies the data of a value (null or empty name: the key's default value) into data and its
    // type into *type (may be null). *dataSize is the buffer's size in bytes on entry and the
    // data's size on return. Text data comes as narrow text, with its terminating zero counted.
    // With data null only the size is given. Result 0 on success, 234 when the buffer is too small
    // (*dataSize then holds the size needed), 2 when there is no such value.
    virtual long RegQueryValueExA(Key key, const char* valueName, quint32* type, quint8* data,
                                  quint32* dataSize) = 0;

    // Closes a key opened by RegOpenKeyExA.
    virtual long RegCloseKey(Key key) = 0;

    // The code page of the narrow text: what the bytes of names and text data mean, and how a
    // name is written as bytes. Windows-1252 unless the source says otherwise.
    virtual QString NarrowToText(const QByteArray& bytes) const;
    virtual QByteArray TextToNarrow(const QString& text) const;
};

// The source the program reads: the registry on Windows, the Wine registry file elsewhere, or
// the one given by SetDefaultForTesting.
Source& Default();
// Replaces the program's source (nullptr restores it). The caller keeps ownership. For the tests.
void SetDefaultForTesting(Source* source);

// One value as the registry keeps it: its type and its raw data, text in UTF-16LE.
struct Value {
    quint32 type = TypeNone;
    QByteArray data;
};

// One key of a registry file with its subkeys and values, both found by name without regard to
// letter case. The subkeys are kept in the registry's enumeration order.
class KeyNode {
public:
    explicit KeyNode(const QString& name = QString()) : name_(name) {}
    KeyNode(const KeyNode&) = delete;
    KeyNode& operator=(const KeyNode&) = delete;

    // The name as first written.
    const QString& Name() const { return name_; }

    const KeyNode* Child(const QString& name) const;
    KeyNode& ChildOrCreate(const QString& name);
    int ChildCount() const { return int(children_.size()); }
    // The subkey at a zero-based enumeration index, null past the end.
    const KeyNode* ChildAt(int index) const;
    // The key at a backslash-separated path below this one, null when a part is missing.
    const KeyNode* Find(const QString& path) const;

    const Value* FindValue(const QString& name) const;
    void SetValue(const QString& name, const Value& value);
    int ValueCount() const { return int(values_.size()); }

    void Clear();

private:
    QString name_;
    // Keyed by the upper-cased name, which is also the enumeration order: Windows keeps the
    // subkeys of a key sorted by their upper-cased names (character by character, a name before
    // its longer extensions) and RegEnumKeyEx hands them out in that order; Wine's registry
    // server keeps them the same way. The order of the key lines in a file plays no part.
    std::map<QString, std::unique_ptr<KeyNode>> children_;
    std::map<QString, Value> values_;
};

// The upper-case form by which the registry compares names (character by character, so that the
// length stays).
QString FoldName(const QString& name);

// Wine's registry files (user.reg, system.reg), read as Wine's own loader reads them.
namespace Wine {

// Parses the content of a registry file into root (which is cleared first). Returns false, with
// root left empty, when the content does not start with Wine's header line. Lines that cannot be
// read are skipped, as Wine does.
bool Parse(const QByteArray& content, KeyNode& root);

// Reads one escaped string as Wine writes names and text: from text[*pos] up to the unescaped end
// character, which is consumed. Handles \\ \" \a \b \e \f \n \r \t \v, octal \0..\777 and hex
// \x0..\xffff escapes. Returns nothing when the end character is missing.
std::optional<QString> Unescape(QStringView text, int* pos, QChar end);

}  // namespace Wine

// The HKEY_CURRENT_USER hive kept in a Wine registry file (~/.wine/user.reg for the user's Wine
// installation; WINEPREFIX is not consulted, as the program reads no environment variable). Read
// only: the file is never written. A missing or unreadable file, or one that is
// not a registry file, holds no keys at all. The file is read anew whenever a key is opened while
// no other key is open, so every complete read sees the file as it is then.
class WineFileSource : public Source {
public:
    explicit WineFileSource(const QString& path);

    // ~/.wine/user.reg of the current user.
    static QString DefaultPath();
    const QString& Path() const { return path_; }

    long RegOpenKeyExA(Key root, const char* subKey, quint32 options, quint32 access,
                       Key* result) override;
    long RegQueryInfoKeyA(Key key, quint32* subKeys, quint32* maxSubKeyLength) override;
    long RegEnumKeyExA(Key key, quint32 index, char* name, quint32* nameSize) override;
    long RegQueryValueExA(Key key, const char* valueName, quint32* type, quint8* data,
                          quint32* dataSize) override;
    long RegCloseKey(Key key) override;

private:
    const KeyNode* Node(Key key) const;
    void Load();

    QString path_;
    KeyNode root_;
    std::map<Key, const KeyNode*> open_;
    Key nextHandle_ = 0x100;
};

#ifdef Q_OS_WIN
// The real registry of the current user, through the advapi32 "A" functions.
class WindowsSource : public Source {
public:
    long RegOpenKeyExA(Key root, const char* subKey, quint32 options, quint32 access,
                       Key* result) override;
    long RegQueryInfoKeyA(Key key, quint32* subKeys, quint32* maxSubKeyLength) override;
    long RegEnumKeyExA(Key key, quint32 index, char* name, quint32* nameSize) override;
    long RegQueryValueExA(Key key, const char* valueName, quint32* type, quint8* data,
                          quint32* dataSize) override;
    long RegCloseKey(Key key) override;

    // The system code page.
    QString NarrowToText(const QByteArray& bytes) const override;
    QByteArray TextToNarrow(const QString& text) const override;
};
#endif

}  // namespace Registry
