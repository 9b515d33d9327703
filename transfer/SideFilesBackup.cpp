#include "transfer/SideFilesBackup.h"

#include "data/EntryName.h"
#include "data/SharedStore.h"
#include "lists/ListStore.h"
#include "lists/PickListFile.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoStore.h"
#include "transfer/SideFilesMove.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace {

// The files one photo of the server leaves in its batch folder.
struct PhotoFile {
    QString (*name)(const QString& number);
    QByteArray SharedStore::Photo::*bytes;
};
const PhotoFile PhotoFiles[] = {{&PhotoPath::fileNameOf, &SharedStore::Photo::jpeg}};

QString listFile(const QString& name) {
    return name + QStringLiteral(".txt");
}

bool writeFile(const QString& path, const QByteArray& bytes, QString* error) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush())
        return true;
    *error = QStringLiteral("Cannot create file \"%1\". %2")
                 .arg(QDir::toNativeSeparators(path), file.errorString());
    return false;
}

} // namespace

bool SideFilesBackup::write(Engine& snapshot, const QString& folder, const std::atomic<bool>& cancel,
                            QString* error) {
    m_photos = m_leftOut = m_leftOutBytes = 0;
    return writeLists(snapshot, folder, error) && writePhotos(snapshot, folder, cancel, error);
}

bool SideFilesBackup::writeLists(Engine& snapshot, const QString& folder, QString* error) {
    SharedStore store(snapshot);
    for (const QString& name : SideFilesMove::listNames()) {
        const SharedStore::Text text = store.readText(ListStore::serverName(name), PickListFile::LargestFile);
        if (!text.ok) {
            *error = text.error;
            return false;
        }
        if (text.found && !PickListFile::write(QDir(folder).filePath(listFile(name)), text.text, error))
            return false;
    }
    return true;
}

bool SideFilesBackup::writePhotos(Engine& snapshot, const QString& folder, const std::atomic<bool>& cancel,
                                  QString* error) {
    SharedStore store(snapshot);
    QVector<SharedStore::PhotoKey> keys;
    if (!store.photoKeys(&keys, error))
        return false;
    for (const SharedStore::PhotoKey& key : keys) {
        if (cancel)
            return false;
        const PhotoPath path(folder, key.batch, key.number);
        if (!path.isUsable() || key.number.isEmpty()) {
            ++m_leftOut;
            m_leftOutBytes += key.bytes;
            continue;
        }
        // One photo per answer: memory holds one photo at a time.
        const SharedStore::Photo photo =
            store.readPhoto(key.batch, key.number, 0, PhotoStore::LargestPhotoBytes);
        if (!photo.ok || !photo.found) {
            *error = photo.ok ? QStringLiteral("the photo %1 of batch \"%2\" cannot be read")
                                    .arg(key.number, EntryName::visible(key.batch))
                              : photo.error;
            return false;
        }
        if (!QDir().mkpath(path.folder())) {
            *error = QStringLiteral("the folder %1 cannot be created").arg(path.folder());
            return false;
        }
        for (const PhotoFile& file : PhotoFiles)
            if (!writeFile(QDir(path.folder()).filePath(file.name(key.number)), photo.*file.bytes, error))
                return false;
        ++m_photos;
    }
    return true;
}

bool SideFilesBackup::check(Engine& snapshot, const QString& folder, QString* error) {
    SharedStore store(snapshot);
    for (const QString& name : SideFilesMove::listNames()) {
        const SharedStore::Text stored =
            store.readText(ListStore::serverName(name), PickListFile::LargestFile);
        const PickListFile::Text copied = PickListFile::readText(QDir(folder).filePath(listFile(name)));
        const bool same = stored.found
                              ? copied.status == PickListFile::Status::Ok && copied.text == stored.text
                              : copied.status == PickListFile::Status::Missing;
        if (!stored.ok || !same) {
            *error = stored.ok
                         ? QStringLiteral("the copy's %1 differs from the register's").arg(listFile(name))
                         : stored.error;
            return false;
        }
    }
    qint64 count = 0;
    qint64 bytes = 0;
    if (!store.photoFigures(&count, &bytes, error))
        return false;
    count -= m_leftOut;
    bytes -= m_leftOutBytes;
    qint64 files = 0;
    qint64 fileBytes = 0;
    const QString pictures = QDir(folder).filePath(PhotoPath::picturesFolderName());
    for (QDirIterator it(pictures, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        it.next();
        ++files;
        fileBytes += it.fileInfo().size();
    }
    const qint64 perPhoto = qint64(std::size(PhotoFiles));
    if (files != count * perPhoto || fileBytes != bytes) {
        *error =
            QStringLiteral("the copy's pictures hold %1 files of %2 bytes where the register holds %3 photos "
                           "of %4 bytes")
                .arg(files)
                .arg(fileBytes)
                .arg(count)
                .arg(bytes);
        return false;
    }
    return true;
}
