#pragma once
// Where the photos are kept. On the embedded register: the files under
// "pictures" that PhotoPath names, exactly as before. On a server register:
// the register's shared photos (SharedStore), so that every clerk sees the
// photo any clerk attached; the local "pictures" folder is then not used.
//
// A server photo is decoded, and opened by the desktop, from a local copy in
// the cache folder "pictures-cache" of the application directory:
// pictures-cache/<batch>/<number>-<version>.jpg. Every show asks the server
// in one round trip whether the copy's version is still the stored one; only
// a changed or missing photo comes over the wire. A copy's name holds its
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

#include <QHash>
#include <QString>

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
    // not it exists (file register), the cached copy on a server.
    Found openable(const PhotoPath& path);
    // Stores the photo under the path's batch and number, replacing one that
    // is there; a failure leaves the photo that was there. On a server only
    // over the version find() last gave for the photo (none, when it found
    // none): a photo another clerk stored since is refused as changed.
    bool store(const PhotoPath& path, const QByteArray& jpeg, QString* error);
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
    // Takes file as the cached copy of version, and keeps the cache small (PhotoCacheUpkeep).
    void keepCopy(const Key& key, qint64 version, const QString& file);
    // Whether anything may be done with the file of either photo folder;
    // when not, refusal says why.
    bool mayUse(const QString& file, QString* refusal) const;

    QString m_appDir;
    Database& m_database;
    bool m_server;
    QHash<QString, qint64> m_versions; // batch key "/" number -> version of the cached copy
    QHash<QString, Key> m_keysOfFiles; // cached copy handed out -> its photo
    QHash<QString, qint64> m_seen;     // batch key "/" number -> version last found (0: none)
    std::optional<Answer> m_answered;  // what a store answered, for the show after it
};
