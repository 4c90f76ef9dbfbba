#include "core/numeric.h"

#include "core/runtimeerror.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace Numeric {

std::optional<double> Parse(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    // Only digits, separators and one leading sign; rules out "inf", "nan", exponents and hex.
    for (int i = 0; i < t.size(); ++i) {
        const QChar c = t.at(i);
        const bool sign = (c == u'+' || c == u'-') && i == 0;
        if (!(c.isDigit() && c.unicode() < 128) && c != u',' && c != u'.' && !sign)
            return std::nullopt;
    }
    bool ok = false;
    static const QLocale german(QLocale::German, QLocale::Germany);
    const double value = german.toDouble(t, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool IsNumeric(const QString& text) { return Parse(text).has_value(); }

double RoundHalfEven(double value) {
    const double floor = std::floor(value);
    const double diff = value - floor;
    if (diff < 0.5)
        return floor;
    if (diff > 0.5)
        return floor + 1.0;
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

namespace {
template <typename T>
T ToInteger(const QString& text) {
    const std::optional<double> value = Parse(text);
    if (!value)
        throw RuntimeError::typeMismatch();
    const double rounded = RoundHalfEven(*value);
    if (rounded < double(std::numeric_limits<T>::min()) || rounded > double(std::numeric_limits<T>::max()))
        throw RuntimeError::overflow();
    return static_cast<T>(rounded);
}
}  // namespace

qint16 ToInt16(const QString& text) { return ToInteger<qint16>(text); }
qint32 ToInt32(const QString& text) { return ToInteger<qint32>(text); }

bool FitsInt16(const QString& text) {
    const std::optional<double> value = Parse(text);
    if (!value)
        return false;
    const double rounded = RoundHalfEven(*value);
    return rounded >= -double(Int16Max) - 1.0 && rounded <= double(Int16Max);
}

}  // namespace Numeric
