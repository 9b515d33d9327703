#include "photos/PhotoStore.h"

#include "data/Database.h"
#include "data/EntryName.h"
#include "data/Engine.h"
#include "data/ReplaceFile.h"
#include "data/SharedStore.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoCacheUpkeep.h"
#include "photos/PhotoPath.h"
#include "photos/PlainEntries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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
    if (!EntryName::namesOneEntry(key.batch) ||
        !EntryName::namesOneEntry(PhotoPath::fileNameOf(key.number)))
        return {};
    QString folder = m_appDir + QLatin1Char('/') + cacheFolderName();
    if (!key.batch.isEmpty())
        folder += QLatin1Char('/') + key.batch;
    return folder + QStringLiteral("/%1-%2.jpg").arg(key.number).arg(version);
}

bool PhotoStore::mayUse(const QString& file, QString* refusal) const {
    return PlainEntries::isPlainFile(m_appDir, QFileInfo(file).absoluteFilePath(), refusal);
}

void PhotoStore::forget(const Key& key) {
    const QString k = mapKey(key.batch, key.number);
    const auto known = m_versions.constFind(k);
    if (known == m_versions.cend())
        return;
    const QString file = cacheFile(key, known.value());
    QString refusal;
    if (mayUse(file, &refusal))
        QFile::remove(file);
    m_keysOfFiles.remove(file);
    m_versions.erase(known);
}

PhotoStore::Found PhotoStore::find(const PhotoPath& path) {
    Found found;
    if (!m_server) {
        const QString file = path.file();
        if (mayUse(file, &found.error) && QFileInfo::exists(file))
            found.file = file;
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
            return found;
        }
    }
    Engine* engine = m_database.serverEngine(&found.error);
    if (!engine)
        return found;
    const SharedStore::Photo photo =
        SharedStore(*engine).readPhoto(key.batch, key.number, known, LargestPhotoBytes);
    if (!photo.ok) {
        found.error = photo.error;
        return found;
    }
    m_seen.insert(k, photo.found ? photo.version : 0);
    if (!photo.found) {
        forget(key);
        return found;
    }
    const QString file = cacheFile(key, photo.version);
    if (!photo.current) {
        forget(key);
        QString reason;
        if (!mayUse(file, &reason) ||
            !writeReplacing(photo.jpeg, QFileInfo(file).absolutePath(), file, &reason)) {
            found.stored = true;
            found.error =
                QStringLiteral("The photo is stored on the server, but it cannot be shown on this PC: %1").arg(reason);
            return found;
        }
        keepCopy(key, photo.version, file);
    }
    found.file = file;
    return found;
}

OrderTable::StoreQuestion PhotoStore::versionQuestion(const PhotoPath& path) {
    m_answered.reset();
    if (!m_server)
        return {};
    const Key key{batchKey(path.batch()), path.photoText()};
    if (cacheFile(key, 0).isEmpty())
        return {};
    return {SharedStore::photoVersionExpression(), {key.batch, key.number},
            [this, key](const EngineRow& answer, int column) {
                m_answered = Answer{key, answer.isNull(column) ? 0 : answer.integer(column)};
            }};
}

PhotoStore::Found PhotoStore::openable(const PhotoPath& path) {
    if (m_server)
        return find(path);
    Found found;
    found.file = path.file();
    mayUse(found.file, &found.error);
    return found;
}

bool PhotoStore::store(const PhotoPath& path, const QByteArray& jpeg, QString* error) {
    if (!m_server) {
        return mayUse(path.file(), error) && writeReplacing(jpeg, path.folder(), path.file(), error);
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
    switch (SharedStore(*engine).writePhotoOver(key.batch, key.number, jpeg, expected, &version, &reason)) {
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
    QString ignored; // without a copy, the next show fetches the photo
    if (mayUse(file, &ignored) && writeReplacing(jpeg, QFileInfo(file).absolutePath(), file, &ignored))
        keepCopy(key, version, file);
    return true;
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
