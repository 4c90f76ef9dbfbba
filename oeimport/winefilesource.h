#pragma once

#include "oeimport/registry.h"
#include "oeimport/winereg.h"

#include <map>

namespace Registry {

// The HKEY_CURRENT_USER hive kept in a Wine registry file (~/.wine/user.reg for the user's Wine
// installation; WINEPREFIX is not consulted, as the program reads no environment variable). Read
// only: the file is never written. A missing or unreadable file, or one that is not a registry
// file, holds no keys at all. The file is read anew whenever a key is opened while no other key
// is open, so every complete read sees the file as it is then.
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
    QByteArray content_;  // what root_ was parsed from
    bool loaded_ = false;
    KeyNode root_;
    std::map<Key, const KeyNode*> open_;
    Key nextHandle_ = 0x100;
};

}  // namespace Registry
