#include "data/LineHistory.h"

#include "data/Currency.h"
#include "data/Engine.h"
#include "data/OrderColumns.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace LineHistory {

namespace {

const QString Columns = QStringLiteral("id, line_key, at_time, who, action, changes");

QString text(const EngineRow& row, int i) {
    return QString::fromUtf8(row.text(i).data(), qsizetype(row.text(i).size()));
}

// A value as the engine stored it (see LineHistorySchema.h), in value form.
QVariant valueOf(const QJsonValue& value, int column) {
    if (value.isNull() || value.isUndefined())
        return {};
    const qint64 number = value.isString() ? value.toString().toLongLong() : value.toInteger();
    switch (OrderColumns::at(column).type) {
    case ColumnType::AutoIncrement:
    case ColumnType::Integer:
        return int(number);
    case ColumnType::Currency:
        return QVariant::fromValue(Currency::fromUnits(number));
    case ColumnType::Date:
        return QDate::fromString(value.toString(), Qt::ISODate);
    case ColumnType::Text:
    case ColumnType::Memo:
        break;
    }
    return value.isString() ? value.toString() : value.toVariant().toString();
}

Entry entryOf(const EngineRow& row) {
    Entry entry;
    entry.id = row.integer(0);
    entry.key = qint32(row.integer(1));
    entry.at = QDateTime::fromSecsSinceEpoch(row.integer(2));
    entry.who = text(row, 3);
    entry.action = text(row, 4);
    const QJsonObject changes =
        QJsonDocument::fromJson(
            row.text(5).data() ? QByteArray(row.text(5).data(), qsizetype(row.text(5).size())) : QByteArray())
            .object();
    if (entry.action == QLatin1String("deleted")) {
        entry.line.resize(OrderColumns::Count);
        for (int column = 0; column < OrderColumns::Count; ++column)
            entry.line[column] = valueOf(changes.value(OrderColumns::name(column)), column);
        return entry;
    }
    for (int column = 0; column < OrderColumns::Count; ++column) {
        const QJsonArray pair = changes.value(OrderColumns::name(column)).toArray();
        if (pair.size() == 2)
            entry.changes.append({column, valueOf(pair[0], column), valueOf(pair[1], column)});
    }
    return entry;
}

bool contains(const QVariant& value, const QString& folded) {
    return value.toString().toCaseFolded().contains(folded);
}

// Why the deleted line cannot come back now; empty when it can.
bool refusal(Engine& engine, const Entry& deleted, QString* why, QString* error) {
    qint64 taken = 0;
    const auto count = [&](const EngineRow& row) {
        taken = row.integer(0);
        return false;
    };
    if (!engine.query(QStringLiteral("SELECT COUNT(*) FROM Table1 WHERE key = ?"), {deleted.key}, count,
                      error))
        return false;
    if (taken > 0) {
        *why = QStringLiteral("Line %1 was not restored: another line has its key %1 now.").arg(deleted.key);
        return true;
    }
    const QVariant photo = deleted.line.value(OrderColumns::Photo);
    if (!photo.isValid() || photo.toInt() == 0)
        return true;
    if (!engine.query(QStringLiteral("SELECT COUNT(*) FROM Table1 WHERE photo = ?"), {photo.toInt()}, count,
                      error))
        return false;
    if (taken > 0)
        *why = QStringLiteral("Line %1 was not restored: another line has its photo number %2 now.")
                   .arg(deleted.key)
                   .arg(photo.toInt());
    return true;
}

} // namespace

bool ofLine(Engine& engine, qint32 key, QVector<Entry>* entries, QString* error) {
    entries->clear();
    return engine.query(
        QStringLiteral("SELECT %1 FROM table1_history WHERE line_key = ? ORDER BY id DESC").arg(Columns),
        {key},
        [entries](const EngineRow& row) {
            entries->append(entryOf(row));
            return true;
        },
        error);
}

bool deletedLines(Engine& engine, const QDateTime& since, const QString& search, int limit,
                  QVector<Entry>* entries, QString* error) {
    entries->clear();
    const QString folded = search.trimmed().toCaseFolded();
    // Deletes are few: the search runs over the lines they kept, here.
    return engine.query(
        QStringLiteral(
            "SELECT %1 FROM table1_history h WHERE action = 'deleted' AND at_time >= CAST(? AS BIGINT) "
            "AND NOT EXISTS (SELECT 1 FROM Table1 WHERE key = h.line_key) ORDER BY id DESC")
            .arg(Columns),
        {QString::number(since.toSecsSinceEpoch())},
        [&](const EngineRow& row) {
            Entry entry = entryOf(row);
            if (folded.isEmpty() || contains(entry.line.value(OrderColumns::Artikul), folded) ||
                contains(entry.line.value(OrderColumns::Dostavcik), folded))
                entries->append(std::move(entry));
            return entries->size() < limit;
        },
        error);
}

bool restore(Engine& engine, const Entry& deleted, QString* error) {
    if (deleted.line.size() != OrderColumns::Count) {
        *error = QStringLiteral("Only a deleted line can be restored.");
        return false;
    }
    if (!engine.beginWrite(error))
        return false;
    QString why;
    bool ok = refusal(engine, deleted, &why, error);
    if (ok && !why.isEmpty()) {
        *error = why;
        ok = false;
    }
    EngineParameters values;
    for (const QVariant& value : deleted.line)
        values << value;
    values[OrderColumns::Key] = deleted.key;
    // The store recorded it as added; it is the deleted line come back.
    ok = ok &&
         engine.execute(QStringLiteral("INSERT INTO Table1 (%1) VALUES (%2)")
                            .arg(OrderColumns::nameList(),
                                 QStringList(OrderColumns::Count, QStringLiteral("?")).join(u',')),
                        values, nullptr, error) &&
         engine.execute(
             QStringLiteral("UPDATE table1_history SET action = 'restored' WHERE action = 'added' AND id = "
                            "(SELECT MAX(id) FROM table1_history WHERE line_key = ?)"),
             {deleted.key}, nullptr, error) &&
         engine.commit(error);
    if (!ok)
        engine.rollback();
    return ok;
}

} // namespace LineHistory
