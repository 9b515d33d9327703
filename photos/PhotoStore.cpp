#include "photos/PhotoStore.h"

#include "data/Database.h"
#include "data/Engine.h"
#include "data/ReplaceFile.h"
#include "data/SharedStore.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoPath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString mapKey(const QString& batch, const QString& number) {
    return batch + QLatin1Char('/') + number;
}

} // namespace

PhotoStore::PhotoStore(const QString& applicationDirectory, Database& database)
    : m_appDir(QDir(applicationDirectory).absolutePath()), m_database(database),
      m_server(Database::hasServerSetting(applicationDirectory)) {}

QString PhotoStore::cacheFile(const Key& key, qint64 version) const {
    if (!PhotoPath::namesOneEntry(key.batch) ||
        !PhotoPath::namesOneEntry(PhotoPath::fileNameOf(key.number)))
        return {};
    QString folder = m_appDir + QLatin1Char('/') + cacheFolderName();
    if (!key.batch.isEmpty())
        folder += QLatin1Char('/') + key.batch;
    return folder + QStringLiteral("/%1-%2.jpg").arg(key.number).arg(version);
}

void PhotoStore::forget(const Key& key) {
    const QString k = mapKey(key.batch, key.number);
    const auto known = m_versions.constFind(k);
    if (known == m_versions.cend())
        return;
    const QString file = cacheFile(key, known.value());
    QFile::remove(file);
    m_keysOfFiles.remove(file);
    m_versions.erase(known);
}

PhotoStore::Found PhotoStore::find(const PhotoPath& path) {
    Found found;
    if (!m_server) {
        const QString file = path.file();
        if (QFileInfo(file).isFile())
            found.file = file;
        return found;
    }
    const Key key{batchKey(path.batch()), path.photoText()};
    if (cacheFile(key, 0).isEmpty()) {
        found.error =
            QStringLiteral("The batch \"%1\" cannot name a photo folder.").arg(PhotoPath::visible(key.batch));
        return found;
    }
    const QString k = mapKey(key.batch, key.number);
    qint64 known = m_versions.value(k, 0);
    if (known != 0 && !QFileInfo(cacheFile(key, known)).isFile())
        known = 0; // the copy was removed behind the program's back
    // The same photo may be shown twice in the step that stored its line
    // (the form follows the store, then the move the store leads to).
    const std::optional<Answer> answered = m_answered;
    if (answered && !(answered->key == key))
        m_answered.reset();
    if (answered && answered->key == key) {
        if (answered->version == 0) {
            forget(key);
            return found;
        }
        if (answered->version == known) {
            found.file = cacheFile(key, known);
            return found;
        }
    }
    Engine* engine = m_database.serverEngine(&found.error);
    if (!engine)
        return found;
    const SharedStore::Photo photo =
        SharedStore(*engine).readPhoto(key.batch, key.number, known, JpegDecoder::MaxFileBytes);
    if (!photo.ok) {
        found.error = photo.error;
        return found;
    }
    if (!photo.found) {
        forget(key);
        return found;
    }
    const QString file = cacheFile(key, photo.version);
    if (!photo.current) {
        forget(key);
        if (!writeReplacing(photo.jpeg, QFileInfo(file).absolutePath(), file, &found.error))
            return found;
        m_versions.insert(k, photo.version);
        m_keysOfFiles.insert(file, key);
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

QString PhotoStore::openable(const PhotoPath& path) {
    return m_server ? find(path).file : path.file();
}

bool PhotoStore::store(const PhotoPath& path, const QByteArray& jpeg, QString* error) {
    if (!m_server)
        return writeReplacing(jpeg, path.folder(), path.file(), error);
    Engine* engine = m_database.serverEngine(error);
    if (!engine)
        return false;
    const Key key{batchKey(path.batch()), path.photoText()};
    qint64 version = 0;
    QString reason;
    if (!SharedStore(*engine).writePhoto(key.batch, key.number, jpeg, &version, &reason)) {
        *error = QStringLiteral("Cannot store the photo on the server. %1").arg(reason);
        return false;
    }
    // The copy that is shown next need not come back over the wire.
    forget(key);
    const QString file = cacheFile(key, version);
    QString ignored; // without a copy, the next show fetches the photo
    if (writeReplacing(jpeg, QFileInfo(file).absolutePath(), file, &ignored)) {
        m_versions.insert(mapKey(key.batch, key.number), version);
        m_keysOfFiles.insert(file, key);
    }
    return true;
}

bool PhotoStore::remove(const QString& file, QString* error) {
    if (!m_server) {
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
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("Cannot create folder \"%1\"").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    QString reason;
    if (replaceFileContents(path, bytes, &reason))
        return true;
    *error = QStringLiteral("Cannot write \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
    return false;
}
