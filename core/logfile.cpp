#include "core/logfile.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace LogFile {
namespace {

// Opens path for reading and writing as a plain file of its own, never through a link. Nothing
// is cut before the file has passed the checks.
bool OpenSafely(QFile& file, const QString& path) {
#ifdef Q_OS_UNIX
    const int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    const int fd = ::open(QFile::encodeName(path).constData(), flags, 0600);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        ::close(fd);
        return false;
    }
    if ((st.st_mode & 077) != 0)
        ::fchmod(fd, 0600);
    return file.open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle);
#else
    file.setFileName(path);
    return file.open(QIODevice::ReadWrite);
#endif
}

// The part of content that is kept when the oldest lines make room: it starts after a line end
// and is at most keep bytes long.
QByteArray NewestLines(const QByteArray& content, qint64 keep) {
    if (keep <= 0)
        return QByteArray();
    qsizetype from = content.size() - qsizetype(keep);
    if (from <= 0)
        return content;
    const qsizetype lineEnd = content.indexOf('\n', from - 1);
    return lineEnd < 0 ? QByteArray() : content.mid(lineEnd + 1);
}

}  // namespace

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file;
    return OpenSafely(file, path) && file.resize(0) && file.write(bytes) == bytes.size();
}

bool Append(const QString& path, const QByteArray& bytes, qint64 limit) {
    if (bytes.size() >= limit)
        return false;
    QFile file;
    if (!OpenSafely(file, path))
        return false;
    if (file.size() + bytes.size() < limit)
        return file.seek(file.size()) && file.write(bytes) == bytes.size();
    const QByteArray kept = NewestLines(file.readAll(), limit * 3 / 4 - bytes.size());
    return file.resize(0) && file.seek(0) && file.write(kept + bytes) == kept.size() + bytes.size();
}

}  // namespace LogFile
