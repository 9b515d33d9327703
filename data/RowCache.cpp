#include "data/RowCache.h"

#include "data/Engine.h"
#include "data/FieldCodec.h"
#include "data/OrderColumns.h"

#include <QStringList>

void RowCache::setEngine(Engine* engine) {
    m_engine = engine;
    m_rows.clear();
    m_missing = RowValues(OrderColumns::Count);
    if (!engine)
        return;
    m_returning =
        QStringLiteral(" RETURNING %1, %2").arg(OrderColumns::nameList(), engine->versionExpression());
    m_select = QStringLiteral("SELECT %1, %2 FROM Table1 WHERE key = ?")
                   .arg(OrderColumns::nameList(), engine->versionExpression());
    m_selectBatch = QStringLiteral("SELECT %1, %2 FROM Table1 WHERE key IN (%3)")
                        .arg(OrderColumns::nameList(), engine->versionExpression(),
                             QStringList(Batch, QStringLiteral("?")).join(u", "));
}

bool RowCache::check(QString* error) {
    if (!m_engine) {
        *error = Engine::notOpenMessage();
        return false;
    }
    return m_engine->query(
        m_select, {0}, [](const EngineRow&) { return false; }, error);
}

RowCache::Line* RowCache::fromRow(const EngineRow& row) const {
    auto* line = new Line{RowValues(OrderColumns::Count), QByteArray()};
    for (int i = 0; i < OrderColumns::Count; ++i)
        line->values[i] = FieldCodec::read(row, i, OrderColumns::at(i).type);
    const std::string_view version = row.text(OrderColumns::Count);
    line->version = QByteArray(version.data(), qsizetype(version.size()));
    return line;
}

bool RowCache::read(qint32 key, QString* error) {
    Line* read = nullptr;
    const bool ok = m_engine->query(
        m_select, {key},
        [&](const EngineRow& row) {
            read = fromRow(row);
            return false;
        },
        error);
    m_failed = !ok;
    if (read)
        m_rows.insert(key, read);
    return ok;
}

void RowCache::keep(const EngineRow& row) {
    Line* stored = fromRow(row);
    m_rows.insert(stored->values[OrderColumns::Key].toInt(), stored);
}

bool RowCache::readAll(const QVector<qint32>& keys, QString* error) {
    // Unused places ask for key 0, which no line has.
    EngineParameters parameters(Batch, 0);
    for (int i = 0; i < keys.size() && i < Batch; ++i)
        parameters[i] = keys[i];
    const bool ok = m_engine->query(
        m_selectBatch, parameters,
        [this](const EngineRow& row) {
            Line* read = fromRow(row);
            m_rows.insert(read->values[OrderColumns::Key].toInt(), read);
            return true;
        },
        error);
    m_failed = !ok;
    return ok;
}

bool RowCache::load(qint32 key, QString* error) {
    if (m_rows.contains(key))
        return true;
    if (!m_engine) {
        *error = Engine::notOpenMessage();
        return false;
    }
    return read(key, error);
}

bool RowCache::mayRead() const {
    // A failed read shows the line empty until the clerk's next step; so
    // does a read asked while the engine waits for another answer.
    return m_engine && !m_failed && !m_engine->busy();
}

const RowCache::Line* RowCache::line(qint32 key) {
    if (const Line* cached = m_rows.object(key))
        return cached;
    if (!mayRead())
        return nullptr;
    QString error;
    const bool ok = read(key, &error);
    const Line* stored = m_rows.object(key);
    if (ok && !stored && m_onMissing)
        m_onMissing();
    return stored;
}

const RowValues& RowCache::row(qint32 key) {
    const Line* read = line(key);
    return read ? read->values : m_missing;
}

const RowValues& RowCache::rowWithNext(const qint32* keys, int count) {
    if (count <= 0)
        return m_missing;
    if (!m_rows.contains(keys[0]) && mayRead()) {
        QVector<qint32> wanted;
        for (int i = 0; i < count && wanted.size() < Batch; ++i)
            if (!m_rows.contains(keys[i]))
                wanted << keys[i];
        QString error;
        readAll(wanted, &error);
    }
    return row(keys[0]);
}

QByteArray RowCache::version(qint32 key) {
    const Line* read = line(key);
    return read ? read->version : QByteArray();
}
