#include "core/timeofday.h"

#include <QLocale>
#include <QRegularExpression>

QString TimeOfDayText(const QTime& time) {
    static const QString format = [] {
        // The long format of the system's locale has the seconds; drop its time zone field.
        QString f = QLocale::system().timeFormat(QLocale::LongFormat);
        f.remove(QRegularExpression(QStringLiteral("\\s*t+\\s*")));
        return f.trimmed().isEmpty() ? QStringLiteral("HH:mm:ss") : f.trimmed();
    }();
    return QLocale::system().toString(time, format);
}
