#include "data/RowCache.h"

#include "data/FieldCodec.h"
#include "data/OrderColumns.h"

#include <QStringList>
#include <sqlite3.h>

bool RowCache::prepare(sqlite3* db, QString* error)
{
    QStringList names;
    for (int i = 0; i < OrderColumns::Count; ++i)
        names << OrderColumns::name(i);
    m_missing = RowValues(OrderColumns::Count);
    m_rows.clear();
    return m_select.prepare(
        db, QStringLiteral("SELECT %1, %2 FROM Table1 WHERE key = ?").arg(names.join(u", "), versionExpression()),
        error);
}

QString RowCache::versionExpression()
{
    // quote() writes each value as an SQL literal, its type included, so two
    // versions are equal only when every value is.
    QStringList quoted;
    for (int i = 1; i < OrderColumns::Count; ++i)
        quoted << QStringLiteral("quote(%1)").arg(OrderColumns::name(i));
    return quoted.join(QStringLiteral(" || ',' || "));
}

void RowCache::finalize()
{
    m_rows.clear();
    m_select.finalize();
}

const RowCache::Line* RowCache::line(qint32 key)
{
    if (const Line* cached = m_rows.object(key))
        return cached;
    if (!m_select.isValid())
        return nullptr;
    sqlite3_stmt* stmt = m_select.get();
    sqlite3_bind_int(stmt, 1, key);
    const Line* result = nullptr;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        auto* read = new Line{RowValues(OrderColumns::Count), QByteArray()};
        for (int i = 0; i < OrderColumns::Count; ++i)
            read->values[i] = FieldCodec::read(stmt, i, OrderColumns::at(i).type);
        read->version = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(stmt, OrderColumns::Count)),
                                   sqlite3_column_bytes(stmt, OrderColumns::Count));
        m_rows.insert(key, read);
        result = read;
    }
    // Reset at once so that no read transaction stays open between events.
    sqlite3_reset(stmt);
    return result;
}

const RowValues& RowCache::row(qint32 key)
{
    const Line* read = line(key);
    return read ? read->values : m_missing;
}

QByteArray RowCache::version(qint32 key)
{
    const Line* read = line(key);
    return read ? read->version : QByteArray();
}
