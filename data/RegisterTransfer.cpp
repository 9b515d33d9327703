#include "data/RegisterTransfer.h"

#include "data/Engine.h"
#include "data/FieldCodec.h"
#include "data/OrderColumns.h"

#include <QStringList>

namespace {

// Lines per INSERT: one round trip to the server carries many lines, well
// under its limit of parameters per statement.
constexpr int LinesPerStatement = 200;
// Lines read per statement from the old register.
constexpr int LinesPerPage = 5000;

} // namespace

bool RegisterTransfer::readFigures(Engine& engine, RegisterFigures* out, QString* error) {
    return engine.query(
        OrderColumns::sumsQuery(), {},
        [out](const EngineRow& row) {
            out->lines = row.integer(0);
            out->received = row.integer(1);
            out->money = Currency::fromUnits(row.integer(2));
            return false;
        },
        error);
}

bool RegisterTransfer::copy(Engine& from, Engine& to, const Progress& progress, const AlsoCopy& alsoCopy) {
    m_error.clear();
    m_source = m_target = RegisterFigures();
    const qint64 present = to.number(QStringLiteral("SELECT COUNT(*) FROM Table1"));
    if (present != 0) {
        m_error = present < 0
                      ? QStringLiteral("The new register's Table1 cannot be read")
                      : QStringLiteral("The new register already holds %1 lines; lines are only moved into "
                                       "an empty one")
                            .arg(present);
        return false;
    }
    // No clerk stores into the new register while its lines come in.
    if (!readFigures(from, &m_source, &m_error) || !to.beginWrite(&m_error))
        return false;
    if (!to.holdOffStores(&m_error)) {
        to.rollback();
        return false;
    }
    if (!write(from, to, progress)) {
        to.rollback();
        return false;
    }
    if (m_source != m_target) {
        to.rollback();
        m_error =
            QStringLiteral("The new register does not add up to the old one: %1 lines, %2 received, money %3 "
                           "instead of %4 lines, %5 received, money %6; nothing was moved")
                .arg(m_target.lines)
                .arg(m_target.received)
                .arg(m_target.money.toString())
                .arg(m_source.lines)
                .arg(m_source.received)
                .arg(m_source.money.toString());
        return false;
    }
    if (alsoCopy && !alsoCopy(to, &m_error)) {
        to.rollback();
        return false;
    }
    if (!to.commit(&m_error)) {
        to.rollback();
        return false;
    }
    return true;
}

bool RegisterTransfer::write(Engine& from, Engine& to, const Progress& progress) {
    EngineParameters batch;
    batch.reserve(LinesPerStatement * OrderColumns::Count);
    const QString fullInsert = OrderColumns::insertStatement(LinesPerStatement);
    qint64 done = 0;
    bool ok = true;
    const auto flush = [&] {
        const int lines = int(batch.size() / OrderColumns::Count);
        if (lines == 0)
            return true;
        const bool written =
            to.execute(lines == LinesPerStatement ? fullInsert : OrderColumns::insertStatement(lines), batch,
                       nullptr, &m_error);
        batch.clear();
        done += lines;
        if (written && progress && done % 5000 < lines && !progress(done)) {
            m_error = QStringLiteral("Cancelled");
            return false;
        }
        return written;
    };
    // A page of lines at a time, by key: a server's answer is held whole,
    // so one statement for all lines would hold the register in memory.
    const auto page = [](const QString& condition) {
        return QStringLiteral("SELECT %1 FROM Table1 %2 ORDER BY key LIMIT %3")
            .arg(OrderColumns::nameList(), condition)
            .arg(LinesPerPage);
    };
    const QString firstPage = page(QString());
    const QString nextPage = page(QStringLiteral("WHERE key > ?"));
    qint64 after = 0;
    for (int read = -1; read == -1 || read == LinesPerPage;) {
        const bool first = read == -1;
        read = 0;
        const bool answered = from.query(
            first ? firstPage : nextPage, first ? EngineParameters() : EngineParameters{after},
            [&](const EngineRow& row) {
                after = row.integer(OrderColumns::Key);
                ++read;
                for (int i = 0; i < OrderColumns::Count; ++i)
                    batch << FieldCodec::read(row, i, OrderColumns::at(i).type);
                if (batch.size() == LinesPerStatement * OrderColumns::Count)
                    ok = flush();
                return ok;
            },
            &m_error);
        if (!answered || !ok)
            return false;
    }
    if (!flush())
        return false;
    const qint64 lastKey = from.lastKey();
    if (lastKey < 0) {
        m_error = QStringLiteral("The old register's key sequence cannot be read");
        return false;
    }
    return (lastKey == 0 || to.advanceKeySequence(qint32(lastKey), &m_error)) && writeHistory(from, to) &&
           readFigures(to, &m_target, &m_error);
}

bool RegisterTransfer::writeHistory(Engine& from, Engine& to) {
    // After whatever the new register recorded before the move, in the old
    // order; the rows take new numbers there.
    const QString columns = QStringLiteral("line_key, at_time, who, action, changes");
    constexpr int Columns = 5;
    const auto insert = [&](int rows) {
        const QString one = QStringLiteral("(?, ?, ?, ?, ?)");
        return QStringLiteral("INSERT INTO table1_history (%1) VALUES %2")
            .arg(columns, QStringList(rows, one).join(u','));
    };
    const QString fullInsert = insert(LinesPerStatement);
    EngineParameters batch;
    bool ok = true;
    const auto flush = [&] {
        const int rows = int(batch.size() / Columns);
        ok = rows == 0 ||
             to.execute(rows == LinesPerStatement ? fullInsert : insert(rows), batch, nullptr, &m_error);
        batch.clear();
        return ok;
    };
    const bool read = from.query(
        QStringLiteral("SELECT %1 FROM table1_history ORDER BY id").arg(columns), {},
        [&](const EngineRow& row) {
            batch << qint32(row.integer(0)) << row.integer(1);
            for (int i = 2; i < Columns; ++i)
                batch << QString::fromUtf8(row.text(i).data(), qsizetype(row.text(i).size()));
            return batch.size() < LinesPerStatement * Columns || flush();
        },
        &m_error);
    return read && ok && flush();
}
