#pragma once

#include <QString>
#include <optional>

// The numeric rules of the program's input fields and of the stored numbers, in one place.
// Numbers are read as a German user writes them: surrounding blanks, a sign, "," as the decimal
// separator and "." between groups of three digits ("1,5", "-3", " 143 ", "1.000"). Plain ASCII
// digits are always accepted.
namespace Numeric {

// The largest signed 16-bit number: the bound of the stored numbers, the account count and the
// recent count.
inline constexpr qint16 Int16Max = 32767;

// The value of the text, or nothing when the text is not a number.
std::optional<double> Parse(const QString& text);

// True when the text is a number in the sense above.
bool IsNumeric(const QString& text);

// Rounds to the nearest whole number, a half to the even neighbour (2,5 gives 2; 3,5 gives 4).
double RoundHalfEven(double value);

// The text as a signed 16-bit integer, rounded half to even. Throws RuntimeError 13 when the text
// is not a number and RuntimeError 6 when the rounded value does not fit.
qint16 ToInt16(const QString& text);

// The same for a signed 32-bit integer.
qint32 ToInt32(const QString& text);

// True when the text is a number whose rounded value fits into a signed 16-bit integer.
bool FitsInt16(const QString& text);

}  // namespace Numeric
