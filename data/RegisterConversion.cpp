#include "data/RegisterConversion.h"

#include "data/FieldCodec.h"
#include "data/FileSync.h"
#include "data/LineHistorySchema.h"
#include "data/OrderColumns.h"
#include "data/RegisterVersion.h"
#include "data/SqliteStatement.h"

#include <QFile>
#include <QVector>
#include <sqlite3.h>

namespace {

constexpr qint64 ProgressStep = 500;

// Where each order column comes from in the source, or -1.
QVector<int> columnMap(const RowSource& source) {
    const QStringList names = source.columnNames();
    QVector<int> map;
    for (const ColumnDef& column : OrderColumns::all()) {
        int found = -1;
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(QLatin1String(column.name), Qt::CaseInsensitive) == 0)
                found = i;
        map << found;
    }
    return map;
}

RowSource::Kind expectedKind(ColumnType type) {
    switch (type) {
    case ColumnType::AutoIncrement:
    case ColumnType::Integer:
        return RowSource::Kind::Integer;
    case ColumnType::Currency:
        return RowSource::Kind::Money;
    case ColumnType::Date:
        return RowSource::Kind::DateTime;
    case ColumnType::Text:
        return RowSource::Kind::Text;
    case ColumnType::Memo:
        return RowSource::Kind::Memo;
    }
    return RowSource::Kind::Other;
}

// Text and memo take each other's values: the old register's widths may differ.
bool kindFits(ColumnType type, RowSource::Kind kind) {
    const auto isText = [](RowSource::Kind k) {
        return k == RowSource::Kind::Text || k == RowSource::Kind::Memo;
    };
    const RowSource::Kind expected = expectedKind(type);
    return kind == expected || (isText(expected) && isText(kind));
}

int accessRegisterColumnCount() {
    int count = 0;
    for (const ColumnDef& column : OrderColumns::all())
        count += column.version == RegisterVersion::First ? 1 : 0;
    return count;
}

QString caption(int column) {
    return QString::fromUtf8(OrderColumns::at(column).caption);
}

// Whether a line read from the source is one the record form could have
// stored; when not, fault says why. The form keeps the money at the purchase price times the
// received count (exact, so only the last digit may differ by rounding), and
// an old register may hold a null where that rule has nothing to say; counts
// and prices of either sign are the form's own (more defective than
// delivered gives a negative received count).
bool lineAddsUp(const QVector<QVariant>& row, const QVector<int>& map, QString* fault) {
    const QVariant price = row.value(map[OrderColumns::Pokupnacena]);
    const QVariant received = row.value(map[OrderColumns::Polucbr]);
    const QVariant money = row.value(map[OrderColumns::Obsto]);
    if (price.isNull() || received.isNull() || money.isNull())
        return true;
    Currency product;
    const qint64 stored = FieldCodec::toCurrency(money).units();
    if (Currency::multiply(FieldCodec::toCurrency(price), FieldCodec::toInteger(received), &product) &&
        qAbs(product.units() - stored) <= 1)
        return true;
    *fault = QStringLiteral("%1 %2 is not %3 %4 × %5 %6")
                 .arg(caption(OrderColumns::Obsto), FieldCodec::toCurrency(money).toString(),
                      caption(OrderColumns::Pokupnacena), FieldCodec::toCurrency(price).toString(),
                      caption(OrderColumns::Polucbr))
                 .arg(FieldCodec::toInteger(received));
    return false;
}

bool exec(sqlite3* db, const QString& sql, QString* error) {
    return SqliteStatement::execute(db, sql, error);
}

} // namespace

QStringList RegisterConversion::missingColumns(const RowSource& source) {
    QStringList missing;
    const QVector<int> map = columnMap(source);
    for (int i = 0; i < map.size(); ++i)
        if (map[i] < 0 && OrderColumns::at(i).version == RegisterVersion::First)
            missing << caption(i);
    return missing;
}

RegisterConversion::Outcome RegisterConversion::convert(RowSource& source, const QString& targetPath,
                                                        const Progress& progress) {
    m_error.clear();
    m_sourceDamaged = false;
    m_source = {};
    m_target = {};
    QFile::remove(targetPath);
    sqlite3* db = nullptr;
    Outcome outcome = Outcome::Failed;
    if (sqlite3_open_v2(QFile::encodeName(targetPath).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        m_error = QString::fromUtf8(db ? sqlite3_errmsg(db) : "cannot create the new register");
    } else {
        outcome = write(source, db, progress);
    }
    if (sqlite3_close(db) != SQLITE_OK && outcome == Outcome::Converted) {
        m_error = QString::fromUtf8(sqlite3_errmsg(db));
        outcome = Outcome::Failed;
    }
    if (outcome == Outcome::Converted && !syncFileToDisk(targetPath)) {
        m_error = QStringLiteral("the new register cannot be written to disk");
        outcome = Outcome::Failed;
    }
    if (outcome != Outcome::Converted)
        QFile::remove(targetPath);
    return outcome;
}

RegisterConversion::Outcome RegisterConversion::write(RowSource& source, sqlite3* db,
                                                      const Progress& progress) {
    const QVector<int> map = columnMap(source);
    const QStringList schema = OrderColumns::schemaStatements();
    SqliteStatement insert;
    QVector<int> copied;
    if (!sourceFits(source, map) || !createTable(db, schema) || !prepareInsert(db, map, &insert, &copied))
        return Outcome::Failed;
    qint64 written = 0;
    const Outcome copy = copyLines(source, db, map, copied, insert, progress, &written);
    if (copy != Outcome::Converted)
        return copy;
    insert.finalize();
    if (!finishTable(db, schema) || !readBack(db))
        return Outcome::Failed;
    if (progress && !progress(written))
        return Outcome::Cancelled;
    return Outcome::Converted;
}

// The source has every column of the Windows register, each of a kind that
// holds the column's values.
bool RegisterConversion::sourceFits(const RowSource& source, const QVector<int>& map) {
    const QVector<RowSource::Kind> kinds = source.columnKinds();
    const QStringList missing = missingColumns(source);
    if (missing.size() == accessRegisterColumnCount()) {
        m_error = QStringLiteral("Table1 holds no order lines: it has none of the register's columns");
        return false;
    }
    if (!missing.isEmpty()) {
        m_error = QStringLiteral("Table1 lacks the columns for %1").arg(missing.join(QStringLiteral(", ")));
        return false;
    }
    for (int i = 0; i < map.size(); ++i) {
        const ColumnDef& column = OrderColumns::at(i);
        if (map[i] >= 0 && !kindFits(column.type, kinds.value(map[i], RowSource::Kind::Other))) {
            m_error = QStringLiteral("the column for %1 in Table1 holds %2 values, not %3")
                          .arg(caption(i), RowSource::kindName(kinds.value(map[i])),
                               RowSource::kindName(expectedKind(column.type)));
            return false;
        }
    }
    return true;
}

// Table1 without its indexes (made once the lines are in), and the
// transaction the lines go in.
bool RegisterConversion::createTable(sqlite3* db, const QStringList& schema) {
    // The file is new and renamed into place only when complete, so neither
    // a journal nor syncing per statement protects anything here.
    return exec(db, QStringLiteral("PRAGMA journal_mode=OFF"), &m_error) &&
           exec(db, QStringLiteral("PRAGMA synchronous=OFF"), &m_error) &&
           exec(db, schema.first(), &m_error) &&
           exec(db, QStringLiteral("PRAGMA user_version = %1").arg(RegisterVersion::fileCurrent()),
                &m_error) &&
           exec(db, QStringLiteral("BEGIN"), &m_error);
}

// Only the columns the source has are written; the others take their default.
bool RegisterConversion::prepareInsert(sqlite3* db, const QVector<int>& map, SqliteStatement* insert,
                                       QVector<int>* copied) {
    QStringList names;
    QStringList marks;
    for (int i = 0; i < OrderColumns::Count; ++i) {
        if (map[i] < 0)
            continue;
        *copied << i;
        names << OrderColumns::name(i);
        marks << QStringLiteral("?");
    }
    return insert->prepare(db,
                           QStringLiteral("INSERT INTO Table1 (%1) VALUES (%2)")
                               .arg(names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))),
                           &m_error);
}

// Every line of the source, each checked, with the source's figures summed
// on the way; count is the number written.
RegisterConversion::Outcome RegisterConversion::copyLines(RowSource& source, sqlite3* db,
                                                          const QVector<int>& map, const QVector<int>& copied,
                                                          SqliteStatement& insert, const Progress& progress,
                                                          qint64* count) {
    m_source.lines = source.declaredRowCount();
    qint64 money = 0;
    qint64& written = *count;
    QVector<QVariant> row;
    if (progress && !progress(0))
        return Outcome::Cancelled;
    while (source.next(&row)) {
        QString fault;
        if (!lineAddsUp(row, map, &fault)) {
            m_error = QStringLiteral("line %1 of Table1 (key %2) holds what no register can: %3")
                          .arg(written + 1)
                          .arg(FieldCodec::text(row.value(map[OrderColumns::Key])), fault);
            return Outcome::Failed;
        }
        for (int at = 0; at < copied.size(); ++at) {
            if (!FieldCodec::bind(insert.get(), at + 1, row.value(map[copied[at]]))) {
                m_error = QString::fromUtf8(sqlite3_errmsg(db));
                return Outcome::Failed;
            }
        }
        if (!insert.run(&m_error))
            return Outcome::Failed;
        sqlite3_reset(insert.get());
        m_source.received += FieldCodec::toInteger(row.value(map[OrderColumns::Polucbr]));
        if (__builtin_add_overflow(money, FieldCodec::toCurrency(row.value(map[OrderColumns::Obsto])).units(),
                                   &money)) {
            m_error = QStringLiteral("the sum of money of Table1 is too large");
            return Outcome::Failed;
        }
        ++written;
        if (progress && written % ProgressStep == 0 && !progress(written))
            return Outcome::Cancelled;
    }
    if (!source.errorString().isEmpty()) {
        m_error = source.errorString();
        m_sourceDamaged = source.isDamaged();
        return Outcome::Failed;
    }
    m_source.money = Currency::fromUnits(money);
    return Outcome::Converted;
}

// The key sequence and the indexes, then the commit.
bool RegisterConversion::finishTable(sqlite3* db, const QStringList& schema) {
    // The next key the engine hands out follows the largest one kept, as the
    // old register's counter did; photo numbers derive from keys.
    const QString sequence = QStringLiteral("DELETE FROM sqlite_sequence WHERE name = 'Table1';"
                                            "INSERT INTO sqlite_sequence (name, seq) SELECT 'Table1', "
                                            "MAX(key) FROM Table1 HAVING MAX(key) IS NOT NULL");
    if (!exec(db, sequence, &m_error))
        return false;
    // The indexes once the lines are in; the history starts empty.
    for (const QString& statement : schema.mid(1) + LineHistorySchema::fileStatements())
        if (!exec(db, statement, &m_error))
            return false;
    return exec(db, QStringLiteral("COMMIT"), &m_error);
}

bool RegisterConversion::readBack(sqlite3* db) {
    SqliteStatement query;
    if (!query.prepare(db, QStringLiteral("SELECT COUNT(*), SUM(polucbr), SUM(obsto) FROM Table1"), &m_error))
        return false;
    if (sqlite3_step(query.get()) != SQLITE_ROW) {
        m_error = query.errorMessage();
        return false;
    }
    m_target.lines = sqlite3_column_int64(query.get(), 0);
    m_target.received = sqlite3_column_int64(query.get(), 1);
    m_target.money = Currency::fromUnits(sqlite3_column_int64(query.get(), 2));
    return true;
}
