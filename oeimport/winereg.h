#pragma once

#include "oeimport/registry.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <map>
#include <memory>
#include <optional>
#include <vector>

// The content of Wine's registry files (user.reg, system.reg) as a tree of keys and values.
namespace Registry {

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

    void Clear();

private:
    QString name_;
    // Keyed by the upper-cased name, which is also the enumeration order: Windows keeps the
    // subkeys of a key sorted by their upper-cased names (character by character, a name before
    // its longer extensions) and RegEnumKeyEx hands them out in that order; Wine's registry
    // server keeps them the same way. The order of the key lines in a file plays no part.
    std::map<QString, std::unique_ptr<KeyNode>> children_;
    // The same subkeys by index, so that enumerating them takes one step each; made anew on the
    // first look-up after a subkey was added.
    mutable std::vector<const KeyNode*> ordered_;
    std::map<QString, Value> values_;
};

// How deep keys nest in the registry at most; a key line below that is damaged.
constexpr int MaxKeyDepth = 512;

// The upper-case form by which the registry compares names (character by character, so that the
// length stays).
QString FoldName(const QString& name);

// Wine's registry files, read as Wine's own loader reads them.
namespace Wine {

// Parses the content of a registry file into root (which is cleared first). Returns false, with
// root left empty, when the content does not start with Wine's header line. Lines that cannot be
// read are skipped, as Wine does, and so are keys nested deeper than MaxKeyDepth with their
// values. Takes time in proportion to the content's size.
bool Parse(const QByteArray& content, KeyNode& root);

// Reads one escaped string as Wine writes names and text: from text[*pos] up to the unescaped end
// character, which is consumed. Handles \\ \" \a \b \e \f \n \r \t \v, octal \0..\777 and hex
// \x0..\xffff escapes. Returns nothing when the end character is missing.
std::optional<QString> Unescape(QStringView text, int* pos, QChar end);

}  // namespace Wine
}  // namespace Registry
