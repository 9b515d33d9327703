#include "data/LineImport.h"

#include "data/Engine.h"
#include "data/OrderColumns.h"
#include "data/RegisterTransfer.h"

namespace LineImport {

namespace {

constexpr int LinesPerStatement = 200;

bool insert(Engine& engine, const QVector<QVector<QVariant>>& lines, const QVector<qint32>& keys, QString* error)
{
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
            const QString sql = inBatch == LinesPerStatement ? fullInsert : OrderColumns::insertStatement(inBatch);
            if (!engine.execute(sql, batch, nullptr, error))
                return false;
            batch.clear();
            inBatch = 0;
        }
    }
    return true;
}

bool write(Engine& engine, const QVector<QVector<QVariant>>& lines, const RegisterFigures& expected, QString* error)
{
    RegisterFigures before;
    RegisterFigures after;
    QVector<qint32> keys;
    if (!RegisterTransfer::readFigures(engine, &before, error) ||
        !engine.reserveKeys(int(lines.size()), &keys, error) || keys.size() != lines.size() ||
        !insert(engine, lines, keys, error) || !RegisterTransfer::readFigures(engine, &after, error))
        return false;
    const RegisterFigures grown{after.lines - before.lines, after.received - before.received,
                                Currency::fromUnits(after.money.units() - before.money.units())};
    if (grown != expected) {
        *error = QStringLiteral("The register grew by %1 lines, %2 pieces and money %3 instead of %4 lines, %5 pieces "
                                "and money %6; nothing was imported")
                     .arg(grown.lines).arg(grown.received).arg(grown.money.toString())
                     .arg(expected.lines).arg(expected.received).arg(expected.money.toString());
        return false;
    }
    return true;
}

} // namespace

bool store(Engine& engine, const QVector<QVector<QVariant>>& lines, const RegisterFigures& expected, QString* error)
{
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
