#include "data/LineImport.h"

#include "data/Engine.h"
#include "data/OrderColumns.h"

namespace LineImport {

namespace {

constexpr int LinesPerStatement = 200;

// Each INSERT answers with what it stored, so the lines are checked as the
// register holds them, whatever other clerks store meanwhile.
bool insert(Engine& engine, const QVector<QVector<QVariant>>& lines, const QVector<qint32>& keys,
            RegisterFigures* stored, QString* error) {
    const QString returning = QStringLiteral(" RETURNING polucbr, obsto");
    qint64 money = 0;
    const EngineVisitor add = [&](const EngineRow& row) {
        ++stored->lines;
        stored->received += row.integer(0);
        money += row.integer(1);
        return true;
    };
    const QString fullInsert = OrderColumns::insertStatement(LinesPerStatement);
    EngineParameters batch;
    int inBatch = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QVector<QVariant> values = lines[i];
        values[OrderColumns::Key] = keys[i];
        values[OrderColumns::Photo] = keys[i];
        batch << values;
        ++inBatch;
        if (inBatch == LinesPerStatement || i + 1 == lines.size()) {
            const QString sql =
                inBatch == LinesPerStatement ? fullInsert : OrderColumns::insertStatement(inBatch);
            if (!engine.query(sql + returning, batch, add, error))
                return false;
            batch.clear();
            inBatch = 0;
        }
    }
    stored->money = Currency::fromUnits(money);
    return true;
}

bool write(Engine& engine, const QVector<QVector<QVariant>>& lines, const RegisterFigures& expected,
           QString* error) {
    RegisterFigures grown;
    QVector<qint32> keys;
    if (!engine.reserveKeys(int(lines.size()), &keys, error))
        return false;
    if (keys.size() != lines.size()) {
        *error = QStringLiteral("The register gave %1 keys for %2 lines").arg(keys.size()).arg(lines.size());
        return false;
    }
    if (!insert(engine, lines, keys, &grown, error))
        return false;
    if (grown != expected) {
        *error = QStringLiteral(
                     "The register stored %1 lines, %2 pieces and money %3 instead of %4 lines, %5 pieces "
                     "and money %6; nothing was imported")
                     .arg(grown.lines)
                     .arg(grown.received)
                     .arg(grown.money.toString())
                     .arg(expected.lines)
                     .arg(expected.received)
                     .arg(expected.money.toString());
        return false;
    }
    return true;
}

} // namespace

bool store(Engine& engine, const QVector<QVector<QVariant>>& lines, const RegisterFigures& expected,
           QString* error) {
    if (!engine.beginWrite(error))
        return false;
    if (!write(engine, lines, expected, error)) {
        engine.rollback();
        return false;
    }
    if (!engine.commit(error)) {
        engine.rollback();
        return false;
    }
    return true;
}

} // namespace LineImport
