#include "export/ReportLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

// Whether another process holds a POSIX lock on any part of the file. Asked,
// not taken: a lock of our own would be dropped by the next close of the
// file anywhere in this process.
bool lockedByAnotherProcess(const QString& path) {
#ifdef Q_OS_UNIX
    if (!QFileInfo(path).isFile())
        return false;
    // Non-blocking: a name that turned into a pipe must not hang the export.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock probe = {};
    probe.l_type = F_WRLCK; // conflicts with any lock, shared or exclusive
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0; // to the end of the file
    const bool locked = ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return locked;
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace

namespace ReportLock {

QString lockFileName(const QString& documentName) {
    return QStringLiteral(".~lock.") + documentName + QLatin1Char('#');
}

State state(const QString& directory, const QString& documentName) {
    const QDir dir(directory);
    if (lockedByAnotherProcess(dir.filePath(documentName)))
        return State::Live;
    const QFileInfo lockFile(dir.filePath(lockFileName(documentName)));
    if (!lockFile.exists() && !lockFile.isSymLink())
        return State::Free;
#ifdef Q_OS_UNIX
    return State::Stale;
#else
    return State::Live; // no POSIX lock to tell them apart
#endif
}

void removeStale(const QString& directory, const QString& documentName) {
    // One that cannot be removed only costs the suite's question on opening.
    QFile::remove(QDir(directory).filePath(lockFileName(documentName)));
}

} // namespace ReportLock
