#include "bench/EngineConnection.h"

#include <QFile>
#include <sqlite3.h>

EngineConnection::~EngineConnection() {
    sqlite3_close(m_db);
}

bool EngineConnection::open(const QString& path) {
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK)
        return false;
    sqlite3_busy_timeout(m_db, 5000);
    return exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL");
}

QString EngineConnection::errorString() const {
    return QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : "out of memory");
}

bool EngineConnection::exec(const char* sql) {
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool EngineConnection::keys(const QString& sql, std::vector<qint64>* out) {
    out->clear();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return false;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        out->push_back(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE;
}

bool EngineConnection::sums(const QString& where, EngineSums* out) {
    QString sql = QStringLiteral("SELECT COUNT(*), SUM(polucbr), SUM(obsto) FROM Table1");
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return false;
    const bool ok = sqlite3_step(statement) == SQLITE_ROW;
    if (ok) {
        out->count = sqlite3_column_int64(statement, 0);
        out->pieces = sqlite3_column_int64(statement, 1);
        out->money = sqlite3_column_int64(statement, 2);
    }
    sqlite3_finalize(statement);
    return ok;
}

qint64 EngineConnection::scalar(const QString& sql, qint64 fallback) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        return fallback;
    const qint64 value =
        sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : fallback;
    sqlite3_finalize(statement);
    return value;
}
