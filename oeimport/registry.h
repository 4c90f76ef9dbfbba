#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

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

// Access rights of RegOpenKeyExA (the Windows values).
enum Access : quint32 {
    AccessQueryValue = 0x0001,         // KEY_QUERY_VALUE
    AccessEnumerateSubKeys = 0x0008,   // KEY_ENUMERATE_SUB_KEYS
    AccessNotify = 0x0010,             // KEY_NOTIFY
    AccessWow64Key64 = 0x0100,         // KEY_WOW64_64KEY: the 64-bit view
    AccessWow64Key32 = 0x0200,         // KEY_WOW64_32KEY: the 32-bit view
    AccessStandardRead = 0x00020000,   // STANDARD_RIGHTS_READ
};

// KEY_READ: what a reader asks for.
constexpr quint32 KeyRead = AccessStandardRead | AccessQueryValue | AccessEnumerateSubKeys | AccessNotify;

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

// The source the program reads: made once by CreatePlatformSource, or the one given by
// SetDefaultForTesting.
Source& Default();
// Replaces the program's source (nullptr restores it). The caller keeps ownership. For the tests.
void SetDefaultForTesting(Source* source);

// The registry of this platform: the real one on Windows (windowssource.cpp), the Wine registry
// file elsewhere (winesourcedefault.cpp). The build links exactly one of the two.
std::unique_ptr<Source> CreatePlatformSource();

}  // namespace Registry
