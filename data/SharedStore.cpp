#include "data/SharedStore.h"

#include "data/Engine.h"

namespace {

QString utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString tooLarge(const QString& what, qint64 bytes, qint64 largest) {
    return QStringLiteral(
               "%1 on the server holds %2 bytes, more than the %3 bytes the program reads; it is left "
               "as it is.")
        .arg(what)
        .arg(bytes)
        .arg(largest);
}

} // namespace

QStringList SharedStore::schemaStatements() {
    // Each only when it is missing: the step that adds them may run again
    // over a register that has them (a version table put back by hand).
    return {
        QStringLiteral("CREATE SEQUENCE IF NOT EXISTS shared_versions"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS shared_texts (name text PRIMARY KEY, body text NOT NULL, "
                       "version bigint NOT NULL DEFAULT nextval('shared_versions'))"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS shared_photos (batch text NOT NULL, number text NOT NULL, "
                       "jpeg bytea NOT NULL, version bigint NOT NULL DEFAULT nextval('shared_versions'), "
                       "PRIMARY KEY (batch, number))")};
}

QStringList SharedStore::previewStatements() {
    return {QStringLiteral("ALTER TABLE shared_photos ADD COLUMN IF NOT EXISTS preview bytea")};
}

SharedStore::Text SharedStore::readText(const QString& name, qint64 largestBytes) {
    Text result;
    qint64 size = 0;
    result.ok = m_engine.query(
        QStringLiteral("SELECT version, octet_length(body), CASE WHEN octet_length(body) <= ? THEN body END "
                       "FROM shared_texts WHERE name = ?"),
        {largestBytes, name},
        [&](const EngineRow& row) {
            result.found = true;
            result.version = row.integer(0);
            size = row.integer(1);
            if (!row.isNull(2))
                result.text = utf8(row.text(2));
            return false;
        },
        &result.error);
    if (result.ok && result.found && size > largestBytes) {
        result.ok = false;
        result.error = tooLarge(QStringLiteral("The list %1").arg(name), size, largestBytes);
    }
    return result;
}

SharedStore::Written SharedStore::writeText(const QString& name, const QString& text, qint64 expected,
                                            QString* error) {
    QString sql;
    EngineParameters parameters{name, text};
    if (expected == AnyVersion) {
        sql =
            QStringLiteral("INSERT INTO shared_texts (name, body) VALUES (?, ?) ON CONFLICT (name) DO UPDATE "
                           "SET body = EXCLUDED.body, version = nextval('shared_versions')");
    } else if (expected == 0) {
        sql = QStringLiteral(
            "INSERT INTO shared_texts (name, body) VALUES (?, ?) ON CONFLICT (name) DO NOTHING");
    } else {
        sql = QStringLiteral("UPDATE shared_texts SET body = ?, version = nextval('shared_versions') "
                             "WHERE name = ? AND version = ?");
        parameters = {text, name, expected};
    }
    qint64 changed = 0;
    if (!m_engine.execute(sql, parameters, &changed, error))
        return Written::Failed;
    return changed == 1 ? Written::Done : Written::Changed;
}

bool SharedStore::removeText(const QString& name, QString* error) {
    return m_engine.execute(QStringLiteral("DELETE FROM shared_texts WHERE name = ?"), {name}, nullptr,
                            error);
}

SharedStore::Photo SharedStore::readPhoto(const QString& batch, const QString& number, qint64 knownVersion,
                                          qint64 largestBytes) {
    return readColumn("jpeg", batch, number, knownVersion, largestBytes);
}

SharedStore::Photo SharedStore::readPreview(const QString& batch, const QString& number, qint64 knownVersion,
                                            qint64 largestBytes) {
    return readColumn("preview", batch, number, knownVersion, largestBytes);
}

SharedStore::Photo SharedStore::readColumn(const char* column, const QString& batch, const QString& number,
                                           qint64 knownVersion, qint64 largestBytes) {
    Photo result;
    qint64 size = 0;
    // Base64 rather than the server's hex: a third more than the photo on
    // the wire instead of twice as much.
    result.ok = m_engine.query(
        QStringLiteral("SELECT version, octet_length(%1), CASE WHEN version <> ? AND octet_length(%1) <= ? "
                       "THEN encode(%1, 'base64') END FROM shared_photos WHERE batch = ? AND number = ?")
            .arg(QLatin1String(column)),
        {knownVersion, largestBytes, batch, number},
        [&](const EngineRow& row) {
            result.found = true;
            result.version = row.integer(0);
            result.hasPreview = !row.isNull(1);
            size = result.hasPreview ? row.integer(1) : 0;
            if (!row.isNull(2)) {
                const std::string_view text = row.text(2);
                result.jpeg = QByteArray::fromBase64(QByteArray(text.data(), qsizetype(text.size())));
            }
            return false;
        },
        &result.error);
    if (!result.ok || !result.found)
        return result;
    result.current = result.version == knownVersion;
    if (!result.current && size > largestBytes) {
        result.ok = false;
        result.error =
            tooLarge(QStringLiteral("The photo %1 of batch \"%2\"").arg(number, batch), size, largestBytes);
    }
    return result;
}

bool SharedStore::writePreview(const QString& batch, const QString& number, qint64 version,
                               const QByteArray& preview, QString* error) {
    return m_engine.execute(
        QStringLiteral("UPDATE shared_photos SET preview = decode(?, 'base64') WHERE batch = ? "
                       "AND number = ? AND version = ? AND preview IS NULL"),
        {QString::fromLatin1(preview.toBase64()), batch, number, version}, nullptr, error);
}

QString SharedStore::photoVersionExpression() {
    return QStringLiteral("(SELECT version FROM shared_photos WHERE batch = ? AND number = ?)");
}

bool SharedStore::writePhoto(const QString& batch, const QString& number, const QByteArray& jpeg,
                             const QByteArray& preview, qint64* version, QString* error) {
    return writePhotoOver(batch, number, jpeg, preview, AnyVersion, version, error) == Written::Done;
}

SharedStore::Written SharedStore::writePhotoOver(const QString& batch, const QString& number,
                                                 const QByteArray& jpeg, const QByteArray& preview,
                                                 qint64 expected, qint64* version, QString* error) {
    // One statement: the photo and its preview are one version. A photo
    // without a preview stores NULL, never another photo's preview.
    const QString base64 = QString::fromLatin1(jpeg.toBase64());
    const QVariant previewBase64 =
        preview.isEmpty() ? QVariant() : QVariant(QString::fromLatin1(preview.toBase64()));
    QString sql = QStringLiteral("INSERT INTO shared_photos (batch, number, jpeg, preview) VALUES (?, ?, "
                                 "decode(?, 'base64'), decode(?, 'base64')) ");
    EngineParameters parameters{batch, number, base64, previewBase64};
    if (expected == AnyVersion) {
        sql += QStringLiteral(
            "ON CONFLICT (batch, number) DO UPDATE SET jpeg = EXCLUDED.jpeg, "
            "preview = EXCLUDED.preview, version = nextval('shared_versions') RETURNING version");
    } else if (expected == 0) {
        sql += QStringLiteral("ON CONFLICT (batch, number) DO NOTHING RETURNING version");
    } else {
        sql = QStringLiteral(
            "UPDATE shared_photos SET jpeg = decode(?, 'base64'), preview = decode(?, 'base64'), "
            "version = nextval('shared_versions') WHERE batch = ? AND number = ? AND version = ? "
            "RETURNING version");
        parameters = {base64, previewBase64, batch, number, expected};
    }
    bool written = false;
    const bool ok = m_engine.query(
        sql, parameters,
        [&](const EngineRow& row) {
            *version = row.integer(0);
            written = true;
            return false;
        },
        error);
    if (!ok)
        return Written::Failed;
    return written ? Written::Done : Written::Changed;
}

bool SharedStore::removePhoto(const QString& batch, const QString& number, QString* error) {
    return m_engine.execute(QStringLiteral("DELETE FROM shared_photos WHERE batch = ? AND number = ?"),
                            {batch, number}, nullptr, error);
}

bool SharedStore::photoFigures(qint64* count, qint64* bytes, QString* error) {
    return m_engine.query(
        QStringLiteral("SELECT COUNT(*), COALESCE(SUM(octet_length(jpeg)), 0) FROM shared_photos"), {},
        [&](const EngineRow& row) {
            *count = row.integer(0);
            *bytes = row.integer(1);
            return false;
        },
        error);
}

bool SharedStore::photoKeys(QVector<PhotoKey>* keys, QString* error) {
    keys->clear();
    return m_engine.query(
        QStringLiteral("SELECT batch, number, octet_length(jpeg) FROM shared_photos ORDER BY batch, number"),
        {},
        [&](const EngineRow& row) {
            keys->append({utf8(row.text(0)), utf8(row.text(1)), row.integer(2)});
            return true;
        },
        error);
}
