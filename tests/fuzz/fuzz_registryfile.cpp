// Wine registry files: any content is read without a crash, no key below the depth limit, and the
// Outlook Express reader walks whatever came out.
#include "oeimport/oeaccountinfo.h"
#include "oeimport/winefilesource.h"
#include "oeimport/winereg.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <cstdlib>
#include <unistd.h>

namespace {
// Every key of the tree, each found again by its name; the depth never passes the limit.
void Walk(const Registry::KeyNode& node, int depth = 0) {
    if (depth > Registry::MaxKeyDepth)
        std::abort();
    for (int i = 0; i < node.ChildCount(); ++i) {
        const Registry::KeyNode* child = node.ChildAt(i);
        if (node.Child(child->Name()) != child)
            std::abort();
        Walk(*child, depth + 1);
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    Registry::KeyNode root;
    if (Registry::Wine::Parse(content, root))
        Walk(root);

    static const QString path = QDir::tempPath() + QStringLiteral("/fuzz_registryfile_%1.reg").arg(qint64(getpid()));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(content);
        file.close();
        Registry::WineFileSource source(path);
        ReadOEImapAccounts(source);
    }
    return 0;
}
