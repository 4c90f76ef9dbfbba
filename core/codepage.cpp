#include "core/codepage.h"

namespace CodePage {
namespace {
// 0x80..0x9F; 0 marks the five codes that Windows-1252 leaves undefined (mapped to U+0080.. as is).
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

int ToCode(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == u || (kHigh[i] == 0 && u == 0x80 + i))
            return 0x80 + i;
    }
    return '?';
}

QChar FromCode(int code) {
    if (code >= 0x80 && code <= 0x9F && kHigh[code - 0x80] != 0)
        return QChar(kHigh[code - 0x80]);
    return QChar(char16_t(code & 0xFF));
}

}  // namespace CodePage
