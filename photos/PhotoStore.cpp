#include "photos/PhotoStore.h"

#include "data/Database.h"
#include "data/Engine.h"
#include "data/EntryName.h"
#include "data/ReplaceFile.h"
#include "data/SharedStore.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoCacheUpkeep.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoPreview.h"
#include "photos/PlainEntries.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>

#include <cerrno>

namespace {

QString mapKey(const QString& batch, const QString& number) {
    return batch + QLatin1Char('/') + number;
}

} // namespace

PhotoStore::PhotoStore(const QString& applicationDirectory, Database& database)
    : m_appDir(QDir(applicationDirectory).absolutePath()), m_database(database),
      m_server(Database::hasServerSetting(applicationDirectory)) {
    if (m_server)
        PhotoCacheUpkeep::tidy(m_appDir + QLatin1Char('/') + cacheFolderName());
}

void PhotoStore::keepCopy(const Key& key, qint64 version, const QString& file) {
    m_versions.insert(mapKey(key.batch, key.number), version);
    m_keysOfFiles.insert(file, key);
    // Copies of earlier versions, also those another run of the program left.
    PhotoCacheUpkeep::removeOtherVersions(QFileInfo(file).absolutePath(), key.number, version);
    PhotoCacheUpkeep::tidy(m_appDir + QLatin1Char('/') + cacheFolderName());
}

QString PhotoStore::cacheFile(const Key& key, qint64 version) const {
    if (!EntryName::namesOneEntry(key.batch) || !EntryName::namesOneEntry(PhotoPath::fileNameOf(key.number)))
        return {};
    QString folder = m_appDir + QLatin1Char('/') + cacheFolderName();
    if (!key.batch.isEmpty())
        folder += QLatin1Char('/') + key.batch;
    return folder + QStringLiteral("/%1-%2.jpg").arg(key.number).arg(version);
}

bool PhotoStore::mayUse(const QString& file, QString* refusal) const {
    return PlainEntries::isPlainFile(m_appDir, QFileInfo(file).absoluteFilePath(), refusal);
}

bool PhotoStore::mayUse(const QString& file) const {
    QString ignored;
    return mayUse(file, &ignored);
}

QString PhotoStore::currentPreview(const QString& photoFile) const {
    const QString preview = PhotoPreview::fileOf(photoFile);
    return mayUse(preview) && PhotoPreview::isCurrent(photoFile) ? preview : QString();
}

void PhotoStore::keepFilePreview(const QString& photoFile, const QByteArray& preview,
                                 const QDateTime& photoTime) {
    const QString file = PhotoPreview::fileOf(photoFile);
    if (!mayUse(file))
        return;
    QString ignored; // without a preview the photo is shown from the original, and one is made again
    if (preview.isEmpty() || !PhotoPreview::write(photoFile, preview, photoTime, &ignored))
        QFile::remove(file);
}

void PhotoStore::makePreviewAside(const PhotoPath& path, const Found& found) {
    if (!found.previewMissing || found.file.isEmpty() || m_making.contains(found.file))
        return;
    m_making.insert(found.file);
    const QString file = found.file;
    const Key key{batchKey(path.batch()), path.photoText()};
    const qint64 version = m_server ? m_versions.value(mapKey(key.batch, key.number), 0) : 0;
    const std::weak_ptr<int> alive = m_alive;
    QThreadPool::globalInstance()->start([this, alive, file, key, version] {
        // The time first: a photo changed while it is read is seen as changed.
        const QDateTime photoTime = QFileInfo(file).lastModified();
        QString ignored; // a photo that cannot be read or decoded gets no preview
        const QByteArray photo = JpegDecoder::readFile(file, &ignored);
        const QByteArray preview = ignored.isEmpty() ? PhotoPreview::make(photo, &ignored) : QByteArray();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this, alive, file, key, version, preview, photoTime] {
                if (alive.expired())
                    return;
                m_making.remove(file);
                if (preview.isEmpty())
                    return;
                if (!m_server && QFileInfo(file).lastModified() == photoTime)
                    keepFilePreview(file, preview, photoTime);
                else if (m_server)
                    keepServerPreview(key, version, preview);
            },
            Qt::QueuedConnection);
    });
}

void PhotoStore::forget(const Key& key) {
    const QString k = mapKey(key.batch, key.number);
    const auto known = m_versions.constFind(k);
    if (known == m_versions.cend())
        return;
    const QString file = cacheFile(key, known.value());
    if (mayUse(file))
        QFile::remove(file);
    m_keysOfFiles.remove(file);
    m_versions.erase(known);
    m_originals.remove(k);
}

PhotoStore::Found PhotoStore::find(const PhotoPath& path) {
    Found found;
    if (!m_server) {
        const QString file = path.file();
        if (mayUse(file, &found.error) && QFileInfo::exists(file)) {
            found.file = file;
            found.shown = currentPreview(file);
            found.previewMissing = found.shown.isEmpty();
            if (found.previewMissing)
                found.shown = file;
        }
        return found;
    }
    const Key key{batchKey(path.batch()), path.photoText()};
    if (cacheFile(key, 0).isEmpty()) {
        found.error =
            QStringLiteral("The batch \"%1\" cannot name a photo folder.").arg(EntryName::visible(key.batch));
        return found;
    }
    const QString k = mapKey(key.batch, key.number);
    qint64 known = m_versions.value(k, 0);
    if (!mayUse(cacheFile(key, known), &found.error))
        return found;
    if (known != 0 && !QFileInfo::exists(cacheFile(key, known)))
        known = 0; // the copy was removed behind the program's back
    // The same photo may be shown twice in the step that stored its line
    // (the form follows the store, then the move the store leads to).
    const std::optional<Answer> answered = m_answered;
    if (answered && !(answered->key == key))
        m_answered.reset();
    if (answered && answered->key == key) {
        if (answered->version == 0) {
            forget(key);
            m_seen.insert(k, 0);
            return found;
        }
        if (answered->version == known) {
            m_seen.insert(k, known);
            found.file = cacheFile(key, known);
            found.shown = found.file;
            found.previewMissing = m_originals.contains(k);
            return found;
        }
    }
    Engine* engine = m_database.serverEngine(&found.error);
    if (!engine)
        return found;
    // Only the preview crosses the network; the photo itself only while it has none.
    const SharedStore::Photo photo =
        SharedStore(*engine).readPreview(key.batch, key.number, known, PhotoPreview::LargestBytes);
    if (!photo.ok) {
        found.error = photo.error;
        return found;
    }
    m_seen.insert(k, photo.found ? photo.version : 0);
    if (!photo.found) {
        forget(key);
        return found;
    }
    if (!photo.current) {
        forget(key);
        if (!photo.hasPreview) {
            fetchOriginal(key, &found);
            return found;
        }
        const QString file = cacheFile(key, photo.version);
        QString reason;
        if (!mayUse(file, &reason) ||
            !writeReplacing(photo.jpeg, QFileInfo(file).absolutePath(), file, &reason)) {
            found.stored = true;
            found.error =
                QStringLiteral("The photo is stored on the server, but it cannot be shown on this PC: %1")
                    .arg(reason);
            return found;
        }
        keepCopy(key, photo.version, file);
    }
    found.file = cacheFile(key, photo.version);
    found.shown = found.file;
    found.previewMissing = m_originals.contains(k);
    return found;
}

bool PhotoStore::fetchOriginal(const Key& key, Found* found) {
    Engine* engine = m_database.serverEngine(&found->error);
    if (!engine)
        return false;
    const QString k = mapKey(key.batch, key.number);
    const SharedStore::Photo photo =
        SharedStore(*engine).readPhoto(key.batch, key.number, 0, LargestPhotoBytes);
    if (!photo.ok) {
        found->error = photo.error;
        return false;
    }
    m_seen.insert(k, photo.found ? photo.version : 0);
    if (!photo.found)
        return true;
    const QString file = cacheFile(key, photo.version);
    QString reason;
    if (!mayUse(file, &reason) ||
        !writeReplacing(photo.jpeg, QFileInfo(file).absolutePath(), file, &reason)) {
        found->stored = true;
        found->error =
            QStringLiteral("The photo is stored on the server, but it cannot be shown on this PC: %1")
                .arg(reason);
        return false;
    }
    keepCopy(key, photo.version, file);
    m_originals.insert(k);
    found->file = file;
    found->shown = file;
    found->previewMissing = true;
    return true;
}

void PhotoStore::keepServerPreview(const Key& key, qint64 version, const QByteArray& preview) {
    QString ignored; // the next show of a photo still without one makes it again
    Engine* engine = m_database.serverEngine(&ignored);
    if (engine)
        SharedStore(*engine).writePreview(key.batch, key.number, version, preview, &ignored);
    const QString k = mapKey(key.batch, key.number);
    if (m_versions.value(k, 0) != version || !m_originals.contains(k))
        return;
    // The cached copy becomes the preview, under the same version.
    const QString file = cacheFile(key, version);
    if (mayUse(file) && writeReplacing(preview, QFileInfo(file).absolutePath(), file, &ignored))
        m_originals.remove(k);
}

QByteArray PhotoStore::previewFor(const PhotoPath& path) {
    if (!path.isUsable())
        return {};
    const Found found = find(path);
    if (!found.error.isEmpty() || found.file.isEmpty())
        return {};
    // The time first: a photo changed while it is read is seen as changed.
    const QDateTime photoTime = QFileInfo(found.file).lastModified();
    QString ignored; // a photo that cannot be read or decoded has no picture in the report
    const QByteArray shown = JpegDecoder::readFile(found.shown, &ignored);
    if (!ignored.isEmpty() || !found.previewMissing)
        return shown;
    const QByteArray preview = PhotoPreview::make(shown, &ignored);
    if (preview.isEmpty())
        return {};
    const Key key{batchKey(path.batch()), path.photoText()};
    if (m_server)
        keepServerPreview(key, m_versions.value(mapKey(key.batch, key.number), 0), preview);
    else
        keepFilePreview(found.file, preview, photoTime);
    return preview;
}

OrderTable::StoreQuestion PhotoStore::versionQuestion(const PhotoPath& path) {
    m_answered.reset();
    if (!m_server)
        return {};
    const Key key{batchKey(path.batch()), path.photoText()};
    if (cacheFile(key, 0).isEmpty())
        return {};
    return {SharedStore::photoVersionExpression(),
            {key.batch, key.number},
            [this, key](const EngineRow& answer, int column) {
                m_answered = Answer{key, answer.isNull(column) ? 0 : answer.integer(column)};
            }};
}

PhotoStore::Found PhotoStore::openable(const PhotoPath& path) {
    if (!m_server) {
        Found found;
        found.file = path.file();
        mayUse(found.file, &found.error);
        return found;
    }
    Found found = find(path);
    const Key key{batchKey(path.batch()), path.photoText()};
    if (!found.error.isEmpty() || found.file.isEmpty() || m_originals.contains(mapKey(key.batch, key.number)))
        return found;
    // The cached copy is the preview: the original comes now, and is kept
    // until another photo is enlarged.
    const qint64 version = m_versions.value(mapKey(key.batch, key.number), 0);
    const QString folder =
        m_appDir + QLatin1Char('/') + cacheFolderName() + QLatin1Char('/') + PhotoPreview::folderName();
    const QString file = folder + QStringLiteral("/%1-%2.jpg").arg(key.number).arg(version);
    found.file.clear();
    if (!mayUse(file, &found.error))
        return found;
    if (file != m_enlarged || !QFileInfo::exists(file)) {
        Engine* engine = m_database.serverEngine(&found.error);
        if (!engine)
            return found;
        const SharedStore::Photo photo =
            SharedStore(*engine).readPhoto(key.batch, key.number, 0, LargestPhotoBytes);
        if (!photo.ok || !photo.found) {
            found.error = photo.error;
            return found;
        }
        if (!writeReplacing(photo.jpeg, folder, file, &found.error))
            return found;
        if (!m_enlarged.isEmpty() && m_enlarged != file && mayUse(m_enlarged))
            QFile::remove(m_enlarged);
        m_enlarged = file;
    }
    found.file = file;
    return found;
}

bool PhotoStore::store(const PhotoPath& path, const QByteArray& jpeg, const QByteArray& preview,
                       QString* error) {
    if (!m_server) {
        const QString file = path.file();
        if (!mayUse(file, error) || !mayUse(PhotoPreview::fileOf(file), error))
            return false;
        // A photo that cannot be written leaves the old one and its preview
        // as they were. Once it is written, the old preview no longer has
        // the photo's time, so it is never shown for the new photo even when
        // the new preview cannot be written in its place.
        if (!writeReplacing(jpeg, path.folder(), file, error))
            return false;
        keepFilePreview(file, preview, QFileInfo(file).lastModified());
        return true;
    }
    Engine* engine = m_database.serverEngine(error);
    if (!engine)
        return false;
    const Key key{batchKey(path.batch()), path.photoText()};
    const QString k = mapKey(key.batch, key.number);
    // Only over the photo the clerk was shown; a number never looked up (a
    // fresh one, or with the photo not shown) takes whatever is stored.
    const qint64 expected = m_seen.value(k, SharedStore::AnyVersion);
    qint64 version = 0;
    QString reason;
    switch (writeInTransaction(*engine, key, jpeg, preview, expected, &version, &reason)) {
    case SharedStore::Written::Failed:
        *error = QStringLiteral("Cannot store the photo on the server. %1").arg(reason);
        return false;
    case SharedStore::Written::Changed:
        m_seen.remove(k);
        *error = QStringLiteral("The photo of this line was changed by another user; yours was not stored. "
                                "The current one is shown.");
        return false;
    case SharedStore::Written::Done:
        break;
    }
    m_seen.insert(k, version);
    // The copy that is shown next need not come back over the wire.
    forget(key);
    const QString file = cacheFile(key, version);
    QString ignored; // without a copy, the next show fetches the preview
    const QByteArray copy = preview.isEmpty() ? jpeg : preview;
    if (mayUse(file) && writeReplacing(copy, QFileInfo(file).absolutePath(), file, &ignored)) {
        keepCopy(key, version, file);
        if (preview.isEmpty())
            m_originals.insert(k);
    }
    return true;
}

SharedStore::Written PhotoStore::writeInTransaction(Engine& engine, const Key& key, const QByteArray& jpeg,
                                                    const QByteArray& preview, qint64 expected,
                                                    qint64* version, QString* error) {
    // Sent on its own, the photo would be kept by the server that answers
    // only after the clerk gave up (or after the connection was dropped):
    // in a transaction, nothing of it stays unless it is committed.
    if (!engine.beginWrite(error))
        return SharedStore::Written::Failed;
    const SharedStore::Written written =
        SharedStore(engine).writePhotoOver(key.batch, key.number, jpeg, preview, expected, version, error);
    if (written != SharedStore::Written::Done) {
        engine.rollback();
        return written;
    }
    if (!engine.commit(error)) {
        engine.rollback();
        return SharedStore::Written::Failed;
    }
    return written;
}

bool PhotoStore::discard(const PhotoPath& path, QString* error) {
    if (!m_server)
        return remove(path.file(), error);
    Engine* engine = m_database.serverEngine(error);
    if (!engine)
        return false;
    const Key key{batchKey(path.batch()), path.photoText()};
    QString reason;
    if (!SharedStore(*engine).removePhoto(key.batch, key.number, &reason)) {
        *error = QStringLiteral("Cannot delete the photo on the server. %1").arg(reason);
        return false;
    }
    forget(key);
    m_seen.remove(mapKey(key.batch, key.number));
    return true;
}

bool PhotoStore::remove(const QString& file, QString* error) {
    if (!m_server) {
        if (!mayUse(file, error))
            return false;
        QFile::remove(file); // a file that cannot be deleted is ignored
        if (mayUse(PhotoPreview::fileOf(file)))
            QFile::remove(PhotoPreview::fileOf(file));
        return true;
    }
    const auto handedOut = m_keysOfFiles.constFind(file);
    if (handedOut == m_keysOfFiles.cend())
        return true;
    const Key key = handedOut.value();
    Engine* engine = m_database.serverEngine(error);
    QString reason;
    if (!engine || !SharedStore(*engine).removePhoto(key.batch, key.number, &reason)) {
        if (engine)
            *error = QStringLiteral("Cannot delete the photo on the server. %1").arg(reason);
        return false;
    }
    forget(key);
    return true;
}

bool PhotoStore::writeReplacing(const QByteArray& bytes, const QString& folder, const QString& path,
                                QString* error) {
    errno = 0;
    if (!QDir().mkpath(folder)) {
        const int why = errno; // the system's reason, when the last call that failed left one
        *error = QStringLiteral("Cannot create folder \"%1\"").arg(QDir::toNativeSeparators(folder));
        if (why != 0)
            *error += QStringLiteral(": ") + qt_error_string(why);
        return false;
    }
    QString reason;
    if (replaceFileContents(path, bytes, &reason))
        return true;
    *error = QStringLiteral("Cannot write \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}
