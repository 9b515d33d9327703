#pragma once
// Puts a file's written bytes on disk. Files written with the engine's
// syncing off (a new register, a backup) are synced once here, before they
// are renamed into place or anything older is removed.

#include <QFile>
#include <QString>
#include <fcntl.h>
#include <unistd.h>

inline bool syncFileToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
