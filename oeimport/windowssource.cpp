// The registry source of Windows: the current user's real registry through the advapi32 "A"
// functions. Built on Windows only, in place of winesourcedefault.cpp.
#include "oeimport/registry.h"

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

}  // namespace

std::unique_ptr<Source> CreatePlatformSource() { return std::make_unique<WindowsSource>(); }

}  // namespace Registry
