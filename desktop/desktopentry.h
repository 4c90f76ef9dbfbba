#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Freedesktop desktop entry files (*.desktop): reading the [Desktop Entry] group, turning its Exec
// key into a command, and writing a program path into an Exec key.
namespace DesktopEntry {

// The keys of a group ("[Desktop Entry]" unless named) with their values unescaped (\s \n \t \r
// \\); empty when the file cannot be read. Localised keys ("Name[de]") keep their full names.
QHash<QString, QString> Read(const QString& path, const QString& group = QStringLiteral("Desktop Entry"));

// The program and its arguments that the Exec value of the entry in `file` names. Field codes for
// files and URLs (%f %F %u %U) are dropped, so nothing is opened with it; %i, %c and %k are
// expanded, %% is a percent sign. Empty when the value is empty or its quoting is broken.
QStringList Command(const QHash<QString, QString>& entry, const QString& file);

// A program path as an Exec value, quoted where needed and with % doubled (before the file's own
// escaping of backslashes, which Escape adds).
QString ExecValue(const QString& program);
// A value as it is written into the file.
QString Escape(const QString& value);

}  // namespace DesktopEntry
