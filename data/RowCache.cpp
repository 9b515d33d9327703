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
    return m_select.prepare(db, QStringLiteral("SELECT %1 FROM Table1 WHERE key = ?").arg(names.join(u", ")), error);
}

void RowCache::finalize()
{
    m_rows.clear();
    m_select.finalize();
}

const RowValues& RowCache::row(qint32 key)
{
    if (const RowValues* cached = m_rows.object(key))
        return *cached;
    if (!m_select.isValid())
        return m_missing;
    sqlite3_stmt* stmt = m_select.get();
    sqlite3_bind_int(stmt, 1, key);
    const RowValues* result = &m_missing;
    if (sqlite3_step(stmt) == SQLITE_ROW) {
        auto* values = new RowValues(OrderColumns::Count);
        for (int i = 0; i < OrderColumns::Count; ++i)
            (*values)[i] = FieldCodec::read(stmt, i, OrderColumns::at(i).type);
        m_rows.insert(key, values);
        result = values;
    }
    // Reset at once so that no read transaction stays open between events.
    sqlite3_reset(stmt);
    return *result;
}
