#include "data/RowCache.h"

#include "data/Engine.h"
#include "data/FieldCodec.h"
#include "data/OrderColumns.h"


void RowCache::setEngine(Engine* engine)
{
    m_engine = engine;
    m_rows.clear();
    m_missing = RowValues(OrderColumns::Count);
    if (!engine)
        return;
    m_select = QStringLiteral("SELECT %1, %2 FROM Table1 WHERE key = ?").arg(OrderColumns::nameList(),
                                                                             engine->versionExpression());
}

bool RowCache::check(QString* error)
{
    if (!m_engine) {
        *error = Engine::notOpenMessage();
        return false;
    }
    return m_engine->query(m_select, {0}, [](const EngineRow&) { return false; }, error);
}

bool RowCache::read(qint32 key, QString* error)
{
    Line* read = nullptr;
    const bool ok = m_engine->query(m_select, {key}, [&](const EngineRow& row) {
        read = new Line{RowValues(OrderColumns::Count), QByteArray()};
        for (int i = 0; i < OrderColumns::Count; ++i)
            read->values[i] = FieldCodec::read(row, i, OrderColumns::at(i).type);
        const std::string_view version = row.text(OrderColumns::Count);
        read->version = QByteArray(version.data(), qsizetype(version.size()));
        return false;
    }, error);
    m_failed = !ok;
    if (read)
        m_rows.insert(key, read);
    return ok;
}

bool RowCache::load(qint32 key, QString* error)
{
    if (m_rows.contains(key))
        return true;
    if (!m_engine) {
        *error = Engine::notOpenMessage();
        return false;
    }
    return read(key, error);
}

const RowCache::Line* RowCache::line(qint32 key)
{
    if (const Line* cached = m_rows.object(key))
        return cached;
    // A failed read shows the line empty until the clerk's next step; so
    // does a read asked while the engine waits for another answer.
    if (!m_engine || m_failed || m_engine->busy())
        return nullptr;
    QString error;
    const bool ok = read(key, &error);
    const Line* stored = m_rows.object(key);
    if (ok && !stored && m_onMissing)
        m_onMissing();
    return stored;
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
