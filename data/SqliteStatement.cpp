#include "data/SqliteStatement.h"

#include <sqlite3.h>
#include <utility>

SqliteStatement::~SqliteStatement() {
    finalize();
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        finalize();
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
}

void SqliteStatement::finalize() {
    if (m_stmt)
        sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
}

bool SqliteStatement::prepare(sqlite3* db, const QString& sql, QString* error) {
    finalize();
    if (!db) {
        *error = QStringLiteral("The database connection is not open");
        return false;
    }
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, &tail) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        finalize();
        return false;
    }
    if (!m_stmt) {
        *error = QStringLiteral("Empty SQL statement");
        return false;
    }
    if (!QByteArray(tail).trimmed().isEmpty()) {
        *error = QStringLiteral("Only one SQL statement is allowed: %1").arg(sql);
        finalize();
        return false;
    }
    return true;
}

bool SqliteStatement::run(QString* error) {
    int rc = SQLITE_ROW;
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(m_stmt);
    if (rc != SQLITE_DONE) {
        *error = errorMessage();
        sqlite3_reset(m_stmt);
        return false;
    }
    sqlite3_reset(m_stmt);
    return true;
}

bool SqliteStatement::execute(sqlite3* db, const QString& sql, QString* error) {
    char* message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return false;
}

qint64 SqliteStatement::number(sqlite3* db, const QString& sql) {
    SqliteStatement statement;
    QString ignored;
    if (!statement.prepare(db, sql, &ignored) || sqlite3_step(statement.get()) != SQLITE_ROW)
        return -1;
    return sqlite3_column_int64(statement.get(), 0);
}

QString SqliteStatement::errorMessage() const {
    return QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt)));
}
