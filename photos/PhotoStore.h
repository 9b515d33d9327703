#pragma once
// Where the photos are kept. On the embedded register: the files under
// "pictures" that PhotoPath names, exactly as before. On a server register:
// the register's shared photos (SharedStore), so that every clerk sees the
// photo any clerk attached; the local "pictures" folder is then not used.
//
// Every photo has a preview (PhotoPreview), written with it and removed with
// it; the photo area shows the preview. A photo found without one (moved
// from the Windows program, attached by an older version) is shown from the
// original once, and its preview is made on a thread of its own
// (makePreviewAside).
//
// A server photo's preview is decoded from a local copy in the cache folder
// "pictures-cache" of the application directory:
// pictures-cache/<batch>/<number>-<version>.jpg. Every show asks the server
// in one round trip whether the copy's version is still the stored one; only
// a changed or missing preview comes over the wire, never the photo itself
// unless it has no preview yet. The original comes only to be enlarged, into
// pictures-cache/previews:/<number>-<version>.jpg, which holds that one photo. A copy's name holds its
// version, so a copy is never taken for another version of its photo, also
// when two programs share the folder. The batch is stored and cached in
// case-folded form: a batch found without regard to case, as the file store
// finds its folders. The cache's names pass the same rule as the store's
// (EntryName::namesOneEntry): a path never leaves the cache folder. The
// cache holds only the latest copy of each photo and is bounded in all
// (PhotoCacheUpkeep).
//
// Nothing is read, written or deleted through a link, or through any entry
// that is not a real folder or regular file, in either folder (PlainEntries):
// such a photo is refused with a message naming the entry.

#include "data/OrderTable.h"
#include "data/SharedStore.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class Database;
class Engine;
class PhotoPath;

class PhotoStore {
  public:
    PhotoStore(const QString& applicationDirectory, Database& database);

    // Whether the application directory names a server register.
    bool onServer() const { return m_server; }

    struct Found {
        QString file;  // the local file holding the photo; empty when there is none
        QString error; // why the photo could not be looked up (the server's words)
        // The server holds the photo, but error says why this PC cannot show it.
        bool stored = false;
        QString shown;               // the local file to show: its preview, or the original while it has none
        bool previewMissing = false; // makePreviewAside() makes one
    };
    // The photo of a usable path.
    Found find(const PhotoPath& path);
    // On a server, the question for the photo's version that the statement
    // storing its line can carry (nothing to ask on the file). Its answer is
    // taken by the finds of that photo in the step that stored the line
    // instead of a question of their own, and dropped by a find of any
    // other photo and when the step ends: it stands only for the shows that
    // the store itself leads to, as fresh as a question asked then would be.
    OrderTable::StoreQuestion versionQuestion(const PhotoPath& path);
    void dropAnswer() { m_answered.reset(); }
    // The file the desktop opens for the photo: the store's path whether or
    // not it exists (file register), a copy of the original on a server.
    Found openable(const PhotoPath& path);
    // Makes the preview of a photo find() gave without one, on a thread of
    // its own, and keeps it with the photo (only while the photo is still
    // the one it was made from). One at a time per photo.
    void makePreviewAside(const PhotoPath& path, const Found& found);
    // The photo's preview for a report: the one kept, or one made now (and
    // kept); empty when the line has no photo or it cannot be read or decoded.
    QByteArray previewFor(const PhotoPath& path);
    // Whether previews are being made.
    bool makingPreviews() const { return !m_making.isEmpty(); }
    // Stores the photo with its preview under the path's batch and number, replacing one that
    // is there; a failure leaves the photo that was there. On a server only
    // over the version find() last gave for the photo (none, when it found
    // none): a photo another clerk stored since is refused as changed.
    bool store(const PhotoPath& path, const QByteArray& jpeg, const QByteArray& preview, QString* error);
    // Removes the photo just stored under the path, when what it was stored
    // for was refused.
    bool discard(const PhotoPath& path, QString* error);
    // Removes the photo whose local file find() gave; a file that cannot be
    // deleted is ignored, a server that cannot be reached is reported.
    bool remove(const QString& file, QString* error);

    static QString cacheFolderName() { return QStringLiteral("pictures-cache"); }
    // More than a phone or camera makes (a 24 megapixel JPEG is under 20 MB):
    // a larger file is not attached, and a larger photo on a server not fetched.
    static constexpr qint64 LargestPhotoBytes = qint64(64) * 1024 * 1024;
    // The batch as the server keeps it.
    static QString batchKey(const QString& batch) { return batch.toCaseFolded(); }

    // Writes bytes beside path and renames them over it, so a failed write
    // leaves what was there; error says why it failed.
    static bool writeReplacing(const QByteArray& bytes, const QString& folder, const QString& path,
                               QString* error);

  private:
    struct Key {
        QString batch;
        QString number;
        bool operator==(const Key& other) const { return batch == other.batch && number == other.number; }
    };
    struct Answer {
        Key key;
        qint64 version = 0; // 0: no photo
    };
    // The cache's file for version of the photo; empty when the batch names no folder.
    QString cacheFile(const Key& key, qint64 version) const;
    void forget(const Key& key); // removes the cached copy
    // The server's write of the photo in a transaction of its own.
    static SharedStore::Written writeInTransaction(Engine& engine, const Key& key, const QByteArray& jpeg,
                                                   const QByteArray& preview, qint64 expected,
                                                   qint64* version, QString* error);
    // Takes file as the cached copy of version, and keeps the cache small (PhotoCacheUpkeep).
    void keepCopy(const Key& key, qint64 version, const QString& file);
    // Whether anything may be done with the file of either photo folder;
    // when not, refusal says why.
    bool mayUse(const QString& file, QString* refusal) const;
    bool mayUse(const QString& file) const;
    // The photo file's preview when it is the photo's own, else empty.
    QString currentPreview(const QString& photoFile) const;
    // Writes (or removes, when empty) the preview of the file register's photo.
    void keepFilePreview(const QString& photoFile, const QByteArray& preview, const QDateTime& photoTime);
    // On a server: the preview made for version of the photo, for the server and the cache.
    void keepServerPreview(const Key& key, qint64 version, const QByteArray& preview);
    // Fetches the original of a photo that has no preview yet into the cache; false with found's error set.
    bool fetchOriginal(const Key& key, Found* found);

    QString m_appDir;
    Database& m_database;
    bool m_server;
    QHash<QString, qint64> m_versions; // batch key "/" number -> version of the cached copy
    QHash<QString, Key> m_keysOfFiles; // cached copy handed out -> its photo
    QHash<QString, qint64> m_seen;     // batch key "/" number -> version last found (0: none)
    std::optional<Answer> m_answered;  // what a store answered, for the show after it
    QSet<QString> m_originals;         // batch key "/" number whose cached copy is the original
    QSet<QString> m_making;            // photo files whose preview is being made
    QString m_enlarged;                // the one original kept for the desktop
    // Lives with the store: a preview made after the store is gone is dropped.
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
