#include "oeimport/registry.h"

#include "core/codepage.h"

namespace Registry {

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
    static const std::unique_ptr<Source> source = CreatePlatformSource();
    return *source;
}

void SetDefaultForTesting(Source* source) { testSource = source; }

}  // namespace Registry
