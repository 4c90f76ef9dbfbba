#include "core/errorlog.h"

#include "core/logfile.h"
#include "core/paths.h"
#include "core/runtimeerror.h"


namespace ErrorLog {

QString FormatDate(const QDate& date) { return QLatin1Char('#') + date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('#'); }

QString FormatTime(const QTime& time) { return QLatin1Char('#') + time.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char('#'); }

QString FormatDateTime(const QDateTime& dateTime) {
    const QTime time = dateTime.time();
    if (time.hour() == 0 && time.minute() == 0 && time.second() == 0)
        return FormatDate(dateTime.date());
    return QLatin1Char('#') + dateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char('#');
}

QString FormatText(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

QString ErrorLine(const QDateTime& now, int number, const QString& description, const QString& context) {
    return FormatDate(now.date()) + QLatin1Char(',') + FormatTime(now.time()) + QLatin1Char(',') + QString::number(number) +
           QLatin1Char(',') + FormatText(description) + QLatin1Char(',') + FormatText(context) + QStringLiteral("\r\n");
}

QString WinsockLine(const QDateTime& now, int number, const QString& description) {
    return FormatDateTime(now) + QLatin1Char(',') + QString::number(number) + QLatin1Char(',') + FormatText(description) +
           QStringLiteral("\r\n");
}

QString ErrorBoxText(int number, const QString& description) {
    const QString crlf = QStringLiteral("\r\n");
    const QString rule(49, QLatin1Char('-'));
    return crlf + QStringLiteral("Es ist ein Fehler aufgetreten:") + crlf + rule + crlf + QStringLiteral("Fehler Nr. ") +
           QString::number(number) + crlf + description + crlf + rule + crlf;
}

}  // namespace ErrorLog

namespace {
// winsock_error.log gets a line for every failed connection; its oldest lines make room.
constexpr qint64 kWinsockLogLimit = 1024 * 1024;

QString LogPath(const QString& name) { return Paths::LogFolder() + QLatin1Char('/') + name; }

std::function<void(const QString&)>& errorBoxHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}
}  // namespace

void WriteErrorLog(int number, const QString& description, const QString& context, const QDateTime& now) {
    LogFile::Write(LogPath(QStringLiteral("error.log")), ErrorLog::ErrorLine(now, number, description, context).toUtf8());
}

void WriteWinsockErrorLog(int number, const QString& description, const QDateTime& now) {
    LogFile::Append(LogPath(QStringLiteral("winsock_error.log")), ErrorLog::WinsockLine(now, number, description).toUtf8(),
                    kWinsockLogLimit);
}

void ReportError(const QString& procedureName, const RuntimeError& error) {
    const QString place = error.place();
    WriteErrorLog(error.number(), error.description(), place.isEmpty() ? procedureName : procedureName + QStringLiteral(", ") + place);
    if (errorBoxHandler())
        errorBoxHandler()(ErrorLog::ErrorBoxText(error.number(), error.description()) +
                          (place.isEmpty() ? QString() : place + QStringLiteral("\r\n")));
}

void SetErrorBoxHandler(std::function<void(const QString&)> handler) { errorBoxHandler() = std::move(handler); }
