#pragma once
// What the clerks of a server register share besides Table1: the pick lists
// and the company name as named texts, and the photos keyed by batch and
// photo number. On the embedded register these are the side files of the
// application directory; several PCs on one server would each keep their
// own, so on a server they live in two tables of the register:
//
//   shared_texts  (name, body, version)          one row per list or name
//   shared_photos (batch, number, jpeg, version, preview) one row per photo
//
// A version comes from the sequence shared_versions and is taken anew on
// every write, so a version is never seen twice: a reader that kept one
// knows at once whether what it holds is still what is stored, and a writer
// that read version v can store only while it is still v (as a line is
// stored only while nobody else stored it).
//
// A photo's preview (PhotoPreview) is a column of its row: written in the
// statement that writes the photo, so photo and preview are one version and
// go together; a photo stored without one (moved there by an older version)
// has NULL until a program that showed it adds the preview of that version.
//
// Everything read is bounded: a text or photo larger than the caller allows
// is refused unread, with its size.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class Engine;

class SharedStore {
  public:
    explicit SharedStore(Engine& engine) : m_engine(engine) {}

    // The statements that make the tables in a server register.
    static QStringList schemaStatements();
    // The statements that add the previews' column (the register's version 3).
    static QStringList previewStatements();

    // The version to give when a text is written whatever is stored.
    static constexpr qint64 AnyVersion = -1;

    struct Text {
        bool ok = false;    // false: error says why
        bool found = false; // the register holds the name
        QString text;
        qint64 version = 0; // 0 when not found
        QString error;
    };
    Text readText(const QString& name, qint64 largestBytes);

    enum class Written { Done, Changed, Failed };
    // Stores text under name when the stored version is still expected (0:
    // no text stored under the name yet; AnyVersion: whatever is stored).
    // Changed when another program stored it meanwhile; nothing is written then.
    Written writeText(const QString& name, const QString& text, qint64 expected, QString* error);
    bool removeText(const QString& name, QString* error);

    struct Photo {
        bool ok = false;
        bool found = false;
        qint64 version = 0;
        bool current = false;    // the stored version is the known one: jpeg not sent
        bool hasPreview = false; // readPreview: the row holds a preview
        QByteArray jpeg;
        QString error;
    };
    // One round trip: the photo's version, and its bytes unless its version
    // is knownVersion (0: none known).
    Photo readPhoto(const QString& batch, const QString& number, qint64 knownVersion, qint64 largestBytes);
    // The same for the photo's preview: jpeg gets the preview (hasPreview),
    // the photo itself is never sent.
    Photo readPreview(const QString& batch, const QString& number, qint64 knownVersion, qint64 largestBytes);
    // Adds the preview of version of the photo, while that version is stored
    // and has none; false only when the server could not be asked.
    bool writePreview(const QString& batch, const QString& number, qint64 version, const QByteArray& preview,
                      QString* error);
    // The SQL expression whose value is the photo's version (NULL: no photo)
    // for another statement to carry; its parameters are the batch and the
    // number, in that order.
    static QString photoVersionExpression();
    // Stores (or replaces) the photo with its preview (empty: none); version gets its new version.
    bool writePhoto(const QString& batch, const QString& number, const QByteArray& jpeg,
                    const QByteArray& preview, qint64* version, QString* error);
    // Stores the photo only while the stored version is still expected (0:
    // none stored; AnyVersion: whatever is stored), as writeText does.
    Written writePhotoOver(const QString& batch, const QString& number, const QByteArray& jpeg,
                           const QByteArray& preview, qint64 expected, qint64* version, QString* error);
    bool removePhoto(const QString& batch, const QString& number, QString* error);

    struct PhotoKey {
        QString batch;
        QString number;
        qint64 bytes = 0;
    };
    // Every photo's key and size, in key order (a backup then reads them one
    // by one, so that no answer holds more than one photo).
    bool photoKeys(QVector<PhotoKey>* keys, QString* error);

    // Photo count and their bytes in all, for checking a move or a copy.
    bool photoFigures(qint64* count, qint64* bytes, QString* error);

  private:
    // readPhoto and readPreview: column is "jpeg" or "preview".
    Photo readColumn(const char* column, const QString& batch, const QString& number, qint64 knownVersion,
                     qint64 largestBytes);

    Engine& m_engine;
};
