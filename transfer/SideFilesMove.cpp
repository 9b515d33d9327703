#include "transfer/SideFilesMove.h"

#include "data/Engine.h"
#include "data/EntryName.h"
#include "data/SharedStore.h"
#include "lists/ListEntries.h"
#include "lists/ListStore.h"
#include "lists/PickListFile.h"
#include "lists/PickListTable.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoPreview.h"
#include "photos/PhotoStore.h"
#include "photos/PlainEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QDir::Filters allEntries() {
    return QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;
}

} // namespace

bool SideFilesMove::run(const QString& folder, Engine& server) {
    m_error.clear();
    m_lists = 0;
    m_photos = m_bytes = 0;
    m_left.clear();
    m_keys.clear();
    m_root = QDir(folder).absolutePath();
    // A list no row of the table names would stay behind unseen.
    m_unknownLists = PickListTable::unknownListFiles(folder);
    return moveLists(folder, server) && movePhotos(folder, server);
}

QStringList SideFilesMove::listNames() {
    QStringList names;
    for (const PickListTable::List& list : PickListTable::all()) {
        if (list.movesToServer)
            names << QLatin1String(list.name);
    }
    return names;
}

bool SideFilesMove::clearLists(Engine& server, QStringList* cleared, QString* error) {
    SharedStore store(server);
    for (const QString& name : listNames()) {
        const SharedStore::Text held = store.readText(ListStore::serverName(name), 0);
        if (!held.ok && !held.found) {
            *error = held.error;
            return false;
        }
        if (held.found && !store.removeText(ListStore::serverName(name), error))
            return false;
        if (held.found)
            *cleared << name;
    }
    return true;
}

bool SideFilesMove::listsInTheWay(const QString& folder, Engine& server) {
    SharedStore store(server);
    QStringList held;
    for (const QString& name : listNames()) {
        if (PickListFile::readText(PickListFile::resolve(folder, PickListTable::find(name)->fileName()))
                .status == PickListFile::Status::Missing)
            continue;
        const SharedStore::Text text = store.readText(ListStore::serverName(name), 0);
        if (!text.ok && !text.found) {
            m_error = text.error;
            return true;
        }
        if (text.found)
            held << name;
    }
    if (held.isEmpty())
        return false;
    m_error =
        QStringLiteral("The server register already holds the %1 %2; lists are only moved into a register "
                       "that holds none. To move this folder's lists over them, delete the server's lists "
                       "with: register_server clear-lists \"%3\"")
            .arg(held.size() == 1 ? QStringLiteral("list") : QStringLiteral("lists"),
                 held.join(QStringLiteral(", ")), QDir::toNativeSeparators(folder));
    return true;
}

bool SideFilesMove::moveLists(const QString& folder, Engine& server) {
    if (listsInTheWay(folder, server))
        return false;
    SharedStore store(server);
    for (const QString& name : listNames()) {
        const PickListFile::Text file =
            PickListFile::readText(PickListFile::resolve(folder, PickListTable::find(name)->fileName()));
        if (file.status == PickListFile::Status::Missing)
            continue;
        if (file.status == PickListFile::Status::Error) {
            m_error = file.error;
            return false;
        }
        const SharedStore::Written written =
            store.writeText(ListStore::serverName(name), file.text, 0, &m_error);
        if (written == SharedStore::Written::Changed)
            m_error =
                QStringLiteral("The server register already holds the list %1; lists are only moved into a "
                               "register that holds none")
                    .arg(name);
        if (written != SharedStore::Written::Done)
            return false;
        const SharedStore::Text back = store.readText(ListStore::serverName(name), PickListFile::LargestFile);
        if (!back.ok || back.text != file.text) {
            m_error = back.ok ? QStringLiteral("The list %1 reads back differently from the server").arg(name)
                              : back.error;
            return false;
        }
        ++m_lists;
    }
    return true;
}

bool SideFilesMove::movePhotos(const QString& folder, Engine& server) {
    qint64 count = 0;
    qint64 bytes = 0;
    if (!SharedStore(server).photoFigures(&count, &bytes, &m_error))
        return false;
    if (count != 0) {
        m_error = QStringLiteral("The server register already holds %1 photos; photos are only moved into a "
                                 "register that holds none")
                      .arg(count);
        return false;
    }
    const QString pictures = PickListFile::resolve(folder, PhotoPath::picturesFolderName());
    if (!QFileInfo(pictures).isDir())
        return true;
    if (!movePhotoFolder(pictures, QString(), server))
        return false;
    for (const QFileInfo& entry : QDir(pictures).entryInfoList(allEntries(), QDir::Name)) {
        if (entry.isDir() && !entry.isSymLink() && EntryName::namesOneEntry(entry.fileName())) {
            if (!movePhotoFolder(entry.filePath(), entry.fileName(), server))
                return false;
        }
    }
    // Checked like the lines: what the server now holds is what was read.
    if (!SharedStore(server).photoFigures(&count, &bytes, &m_error))
        return false;
    if (count != m_photos || bytes != m_bytes) {
        m_error = QStringLiteral("The server holds %1 photos of %2 bytes instead of %3 of %4")
                      .arg(count)
                      .arg(bytes)
                      .arg(m_photos)
                      .arg(m_bytes);
        return false;
    }
    return true;
}

QByteArray SideFilesMove::previewOf(const QString& photoFile, const QByteArray& photo) {
    const QString file = PhotoPreview::fileOf(photoFile);
    QString refusal;
    if (PlainEntries::isPlainFile(m_root, file, &refusal) && PhotoPreview::isCurrent(photoFile) &&
        QFileInfo(file).size() <= PhotoPreview::LargestBytes) {
        QFile preview(file);
        if (preview.open(QIODevice::ReadOnly))
            return preview.read(PhotoPreview::LargestBytes);
    }
    QString ignored; // a photo that does not decode moves without a preview, as it was
    return PhotoPreview::make(photo, &ignored);
}

bool SideFilesMove::movePhotoFolder(const QString& path, const QString& batch, Engine& server) {
    const QString key = PhotoStore::batchKey(batch);
    for (const QFileInfo& entry : QDir(path).entryInfoList(allEntries(), QDir::Name)) {
        const QString relative = QDir(m_root).relativeFilePath(entry.filePath());
        const QString name = entry.fileName();
        if (entry.isDir() && batch.isEmpty())
            continue; // a batch folder, moved on its own
        if (entry.isDir() && !entry.isSymLink() && name == PhotoPreview::folderName())
            continue; // the previews, moved with their photos
        // A link could lead out of the folder.
        QString number;
        const bool jpeg = entry.isFile() && !entry.isSymLink() && EntryName::namesOneEntry(name) &&
                          PhotoPath::isPhotoFileName(name, &number);
        if (!jpeg || m_keys.contains(key + QLatin1Char('/') + number)) {
            m_left << relative;
            continue;
        }
        if (entry.size() > JpegDecoder::MaxFileBytes) {
            m_left << relative;
            continue;
        }
        QFile file(entry.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("Cannot open file \"%1\". %2")
                          .arg(QDir::toNativeSeparators(entry.filePath()), file.errorString());
            return false;
        }
        const QByteArray photo = file.read(JpegDecoder::MaxFileBytes);
        qint64 version = 0;
        if (!SharedStore(server).writePhoto(key, number, photo, previewOf(entry.filePath(), photo), &version,
                                            &m_error))
            return false;
        m_keys.insert(key + QLatin1Char('/') + number);
        ++m_photos;
        m_bytes += photo.size();
    }
    return true;
}

QString SideFilesMove::summary() const {
    QString text = QStringLiteral("%1 lists, %2 photos (%3 bytes)").arg(m_lists).arg(m_photos).arg(m_bytes);
    if (!m_left.isEmpty())
        text += QStringLiteral("; left in pictures, reached by no photo path: %1")
                    .arg(ListEntries::namedAtMost(m_left).join(QLatin1String(", ")));
    if (!m_unknownLists.isEmpty())
        text += QStringLiteral("; left in the folder, a list the program does not know: %1")
                    .arg(ListEntries::namedAtMost(m_unknownLists).join(QLatin1String(", ")));
    return text;
}
