#pragma once

#include <QChar>
#include <QString>

// The Windows-1252 single-byte code page. Stored passwords are made of these character codes, so
// that a store written on Windows with German umlauts decodes the same everywhere.
namespace CodePage {

// The code (0..255) of the character, or 63 ("?") when Windows-1252 has no such character.
int ToCode(QChar c);

// The character of a code 0..255.
QChar FromCode(int code);

}  // namespace CodePage
