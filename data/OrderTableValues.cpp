#include "data/OrderTablePrivate.h"

// --- a column's values over every line ---------------------------------------------------

namespace {

QString columnName(int column) {
    return OrderColumns::name(column);
}

} // namespace

bool OrderTable::lineCountsByValue(int column, QHash<QString, qint64>* counts, QString* error) {
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    counts->clear();
    const QString sql =
        QStringLiteral("SELECT %1, COUNT(*) FROM Table1 WHERE %1 IS NOT NULL AND %1 <> '' GROUP BY %1")
            .arg(columnName(column));
    return db->query(
        sql, {},
        [counts](const EngineRow& row) {
            const std::string_view text = row.text(0);
            counts->insert(QString::fromUtf8(text.data(), qsizetype(text.size())), row.integer(1));
            return true;
        },
        error);
}

bool OrderTable::renameInLines(int column, const QString& from, const QString& to, qint64* changed,
                               QString* error) {
    Engine* db = engine();
    if (!db) {
        *error = Engine::notOpenMessage();
        return false;
    }
    *changed = 0;
    if (!db->beginWrite(error))
        return false;
    const QString sql = QStringLiteral("UPDATE Table1 SET %1 = ? WHERE %1 = ?").arg(columnName(column));
    if (!db->execute(sql, {to, from}, changed, error) || !db->commit(error)) {
        db->rollback();
        *changed = 0;
        return false;
    }
    // The lines read before hold the old value.
    d->rows.clear();
    d->caches.clear();
    d->viewExact = false;
    return true;
}
