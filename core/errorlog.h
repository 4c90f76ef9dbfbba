#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class RuntimeError;

// The two log files of the program and the common error block of the main window's handlers. The
// files are written as LogFile writes them: never through a link, readable by their owner only.
namespace ErrorLog {

// Log line fields: "#2024-03-01#", "#14:05:09#", "#2024-03-01 14:05:09#" (date only at midnight).
QString FormatDate(const QDate& date);
QString FormatTime(const QTime& time);
QString FormatDateTime(const QDateTime& dateTime);
QString FormatText(const QString& text);

// The "error.log" line and the "winsock_error.log" line, each ending with CR LF.
QString ErrorLine(const QDateTime& now, int number, const QString& description, const QString& context);
QString WinsockLine(const QDateTime& now, int number, const QString& description);

// The text of the warning box of the error block.
QString ErrorBoxText(int number, const QString& description);

}  // namespace ErrorLog

// Rewrites "error.log" with one entry. A log that cannot be written is passed over.
void WriteErrorLog(int number, const QString& description, const QString& context,
                   const QDateTime& now = QDateTime::currentDateTime());

// Appends one entry to "winsock_error.log", which stays under 1 MB: its oldest lines make room. A
// log that cannot be written is passed over.
void WriteWinsockErrorLog(int number, const QString& description,
                          const QDateTime& now = QDateTime::currentDateTime());

// The error block: one "error.log" entry with the procedure name as context, then the warning box.
void ReportError(const QString& procedureName, const RuntimeError& error);

// Who shows the warning box of the error block (the windows install a message box; without one the
// error is only logged).
void SetErrorBoxHandler(std::function<void(const QString& text)> handler);
