#include "oeimport/registry.h"

#include "core/codepage.h"

namespace Registry {

QString Source::NarrowToText(const QByteArray& bytes) const {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char b : bytes)
        *out++ = CodePage::FromCode(quint8(b));
    return text;
}

QByteArray Source::TextToNarrow(const QString& text) const {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text)
        *out++ = char(CodePage::ToCode(c));
    return bytes;
}

namespace {
Source* testSource = nullptr;
}  // namespace

Source& Default() {
    if (testSource)
        return *testSource;
    static const std::unique_ptr<Source> source = CreatePlatformSource();
    return *source;
}

void SetDefaultForTesting(Source* source) { testSource = source; }

}  // namespace Registry
