// Stored passwords: decoding any text either gives a password or fails with a run-time error, and
// every password encoded with any factor decodes to itself.
#include "core/codepage.h"
#include "core/funktionen.h"
#include "core/runtimeerror.h"

#include <QString>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const quint8* data, size_t size) {
    try {
        DecodePassword(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    } catch (const RuntimeError&) {
    }

    if (size == 0)
        return 0;
    const int k = data[0] % 25 + 1;
    QString password;
    for (size_t i = 1; i < size; ++i)
        password += CodePage::FromCode(data[i]);
    if (DecodePassword(EncodePassword(password, k)) != password)
        std::abort();
    return 0;
}
