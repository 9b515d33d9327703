#include "data/RegisterUpgrade.h"

#include "data/OrderColumns.h"
#include "data/PostgresEngine.h"
#include "data/RegisterBackup.h"
#include "data/RegisterVersion.h"
#include "data/SqliteEngine.h"
#include "data/SqliteStatement.h"

#include <QDir>

namespace RegisterUpgrade {

namespace {

const QString ServerRegister = QStringLiteral("The register on the server");

// The file's user_version; -1 when it cannot be read.
int userVersion(sqlite3* db) {
    return int(SqliteStatement::number(db, QStringLiteral("PRAGMA user_version")));
}

bool hasTable1(sqlite3* db) {
    return SqliteStatement::number(
               db,
               QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'Table1' "
                              "COLLATE NOCASE")) == 1;
}

bool exec(sqlite3* db, const QString& sql, QString* error) {
    return SqliteStatement::execute(db, sql, error);
}

// The steps after version from, in order.
QVector<UpgradeStep> stepsAfter(int from) {
    QVector<UpgradeStep> after;
    for (const UpgradeStep& step : RegisterVersion::steps())
        if (step.version > from)
            after << step;
    return after;
}

bool hasColumn(sqlite3* db, int column) {
    return SqliteStatement::number(
               db, QStringLiteral("SELECT COUNT(*) FROM pragma_table_info('Table1') WHERE name = '%1'")
                       .arg(OrderColumns::name(column))) == 1;
}

// The layout a step leaves is checked before anything is committed: a step
// that made a column of another type would otherwise be kept, and the same
// program would then refuse the register at every start.
bool runFileStep(sqlite3* db, const UpgradeStep& step, QString* error) {
    for (int column : step.columns)
        if (!hasColumn(db, column) && !exec(db, OrderColumns::addColumnStatement(column), error))
            return false;
    for (const QString& sql : step.fileSql)
        if (!exec(db, sql, error))
            return false;
    return SqliteEngine::schemaFits(db, step.version, error);
}

bool runServerStep(PostgresEngine& engine, const UpgradeStep& step, QString* error) {
    QStringList statements;
    for (int column : step.columns)
        statements << PostgresEngine::addColumnStatement(column);
    for (const QString& sql : statements + step.serverSql)
        if (!engine.execute(sql, {}, nullptr, error))
            return false;
    return engine.schemaFits(step.version, error);
}

QString notUpgraded(const QString& where, int from, int to, const QString& why) {
    return QStringLiteral(
               "%1 could not be upgraded from version %2 to version %3 (%4); it was left as it was.")
        .arg(where)
        .arg(from)
        .arg(to)
        .arg(why);
}

bool runFileSteps(sqlite3* db, QString* error) {
    if (!exec(db, QStringLiteral("BEGIN IMMEDIATE"), error))
        return false;
    // Read again under the write lock: another program may have upgraded it meanwhile.
    const int from = qMax(userVersion(db), RegisterVersion::First);
    if (from >= RegisterVersion::fileCurrent())
        return exec(db, QStringLiteral("ROLLBACK"), error);
    bool ok = true;
    for (const UpgradeStep& step : stepsAfter(from))
        ok = ok && runFileStep(db, step, error);
    ok = ok &&
         exec(db, QStringLiteral("PRAGMA user_version = %1").arg(RegisterVersion::fileCurrent()), error) &&
         exec(db, QStringLiteral("COMMIT"), error);
    if (!ok) {
        QString ignored;
        exec(db, QStringLiteral("ROLLBACK"), &ignored);
    }
    return ok;
}

// The server register's version; -1 with error set when it cannot be read
// or is not one whole number in range (a step run again over what it made
// would fail for ever, so a doubtful version is refused, not guessed).
int serverVersion(PostgresEngine& engine, QString* error) {
    QStringList rows;
    const bool read = engine.query(
        QStringLiteral("SELECT version::text FROM register_version LIMIT 3"), {},
        [&](const EngineRow& row) {
            rows << (row.isNull(0) ? QString()
                                   : QString::fromUtf8(row.text(0).data(), qsizetype(row.text(0).size())));
            return true;
        },
        error);
    if (read) {
        const int version = RegisterVersion::parse(rows.value(0), RegisterVersion::First);
        *error = rows.size() != 1 ? RegisterVersion::tableMessage(ServerRegister, rows.size())
                 : version < 0
                     ? RegisterVersion::valueMessage(ServerRegister, rows.value(0), RegisterVersion::First)
                     : QString();
        return error->isEmpty() ? version : -1;
    }
    // A register made before versions were kept has no such table.
    if (!engine.connectionLost() &&
        engine.number(
            QStringLiteral("SELECT COUNT(*) FROM (SELECT to_regclass('register_version') AS t) AS q "
                           "WHERE t IS NULL")) == 1) {
        error->clear();
        return RegisterVersion::First;
    }
    return -1;
}

// Sets error to why and returns false, so that a refusal is one return.
bool refused(QString* error, const QString& why) {
    *error = why;
    return false;
}

bool runServerSteps(PostgresEngine& engine, int from, QString* error) {
    if (!engine.beginWrite(error))
        return false;
    bool ok = true;
    for (const UpgradeStep& step : stepsAfter(from))
        ok = ok && runServerStep(engine, step, error);
    for (const QString& sql : RegisterVersion::serverTableStatements())
        ok = ok && engine.execute(sql, {}, nullptr, error);
    ok = ok && engine.commit(error);
    if (!ok)
        engine.rollback();
    return ok;
}

} // namespace

QString backupPath(const QString& folder, int version) {
    return QDir(RegisterBackup::folder(folder)).filePath(QStringLiteral("db1-before-v%1.mdb").arg(version));
}

bool file(sqlite3* db, const QString& folder, int stored, QString* error) {
    // SQLite keeps the number as a signed 32-bit integer; 0 is "none kept".
    if (stored < 0)
        return refused(error,
                       RegisterVersion::valueMessage(QStringLiteral("db1.mdb"), QString::number(stored), 0));
    const int found = qMax(stored, RegisterVersion::First);
    const int current = RegisterVersion::fileCurrent();
    if (found > current)
        return refused(error, RegisterVersion::newerMessage(QStringLiteral("db1.mdb"), found, current));
    if (found == current || !hasTable1(db))
        return true;
    const RegisterBackup::Result copy = RegisterBackup::copyChecked(
        folder, backupPath(folder, current),
        QStringLiteral(
            "db1.mdb was not upgraded from version %1 to version %2: its copy before the upgrade failed")
            .arg(found)
            .arg(current));
    if (!copy.ok)
        return refused(error, copy.message);
    QString stepError;
    if (!runFileSteps(db, &stepError))
        return refused(error, notUpgraded(QStringLiteral("db1.mdb"), found, current, stepError));
    return true;
}

bool server(PostgresEngine& engine, QString* error) {
    const int found = serverVersion(engine, error);
    if (found < 0)
        return false;
    const int current = RegisterVersion::current();
    if (found > current)
        return refused(error, RegisterVersion::newerMessage(ServerRegister, found, current));
    if (found == current)
        return true;
    // Programs of the old version would go on with the old layout.
    const qint64 others = engine.number(
        QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() "
                       "AND pid <> pg_backend_pid() AND backend_type = 'client backend'"));
    if (others < 0)
        return refused(error, notUpgraded(ServerRegister, found, current,
                                          QStringLiteral("the programs connected to it cannot be read")));
    if (others > 0)
        return refused(
            error, QStringLiteral(
                       "%1 must be upgraded from version %2 to version %3, which is only done while no other "
                       "program is connected to its database (%4 connected now): close the program on the "
                       "other computers and start it again here first.")
                       .arg(ServerRegister)
                       .arg(found)
                       .arg(current)
                       .arg(others));
    QString stepError;
    if (!runServerSteps(engine, found, &stepError))
        return refused(error, engine.connectionLost()
                                  ? stepError
                                  : notUpgraded(ServerRegister, found, current, stepError));
    return true;
}

} // namespace RegisterUpgrade
