#pragma once

#include <QByteArray>
#include <QString>

// Writing the program's log files safely: a log is never opened through a symbolic link (or a file
// with further hard links, or anything but a plain file), is created readable by its owner only
// and made so when an older run left it readable by others. They hold e-mail addresses, and the
// program may run with rights the folder's other users lack.
namespace LogFile {

// Replaces the file's content. False when the file cannot be opened safely or written.
bool Write(const QString& path, const QByteArray& bytes);

// Appends to the file, keeping it under limit bytes: when the entry would reach the limit, the
// oldest lines are dropped first, down to about three quarters of it. An entry that alone reaches
// the limit is not written.
bool Append(const QString& path, const QByteArray& bytes, qint64 limit);

}  // namespace LogFile
