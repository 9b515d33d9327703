#include "photos/PhotoCacheUpkeep.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace PhotoCacheUpkeep {
namespace {

struct Copy {
    QFileInfo file;
    QString number;
    qint64 version = 0;
};

// number and version of a copy's name; false for any other file.
bool parse(const QString& fileName, QString* number, qint64* version) {
    if (!fileName.endsWith(QLatin1String(".jpg")))
        return false;
    const QString stem = fileName.chopped(4);
    const qsizetype dash = stem.lastIndexOf(QLatin1Char('-'));
    if (dash <= 0)
        return false;
    bool ok = false;
    *version = stem.mid(dash + 1).toLongLong(&ok);
    *number = stem.left(dash);
    return ok && *version > 0;
}

QList<Copy> copiesIn(const QString& folder) {
    QList<Copy> copies;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    for (const QFileInfo& file : files) {
        Copy copy{file, {}, 0};
        if (parse(file.fileName(), &copy.number, &copy.version))
            copies << copy;
    }
    return copies;
}

// Removes all but the highest version of each photo; returns the copies kept.
QList<Copy> keepHighestVersions(const QList<Copy>& copies) {
    QHash<QString, qint64> highest;
    for (const Copy& copy : copies)
        highest[copy.number] = std::max(highest.value(copy.number), copy.version);
    QList<Copy> kept;
    for (const Copy& copy : copies) {
        if (copy.version == highest.value(copy.number))
            kept << copy;
        else
            QFile::remove(copy.file.filePath());
    }
    return kept;
}

} // namespace

void removeOtherVersions(const QString& folder, const QString& number, qint64 keep) {
    for (const Copy& copy : copiesIn(folder)) {
        if (copy.number == number && copy.version != keep)
            QFile::remove(copy.file.filePath());
    }
}

void tidy(const QString& cacheFolder, qint64 largestBytes) {
    if (QFileInfo(cacheFolder).isSymLink())
        return;
    QList<Copy> copies = keepHighestVersions(copiesIn(cacheFolder));
    const QStringList batches =
        QDir(cacheFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks | QDir::Hidden);
    for (const QString& batch : batches)
        copies += keepHighestVersions(copiesIn(cacheFolder + QLatin1Char('/') + batch));
    qint64 total = 0;
    for (const Copy& copy : copies)
        total += copy.file.size();
    std::sort(copies.begin(), copies.end(),
              [](const Copy& a, const Copy& b) { return a.file.lastModified() < b.file.lastModified(); });
    for (const Copy& copy : copies) {
        if (total <= largestBytes)
            break;
        if (QFile::remove(copy.file.filePath()))
            total -= copy.file.size();
    }
}

} // namespace PhotoCacheUpkeep
