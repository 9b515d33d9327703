#pragma once
// A prepared statement of the engine's C interface that finalizes itself.
// Bulk reads go through the C interface because Qt's query layer costs
// 1.6-1.8x per row; single writes use it too so that one connection state
// (no half-finished Qt query) holds for everything the table does.

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement {
  public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;

    // Compiles exactly one statement. Text after it (a second statement
    // smuggled in through a filter text) is refused rather than ignored.
    bool prepare(sqlite3* db, const QString& sql, QString* error);
    void finalize();
    bool isValid() const { return m_stmt != nullptr; }
    sqlite3_stmt* get() const { return m_stmt; }

    // Steps to the end; true when the statement finished without error.
    bool run(QString* error);
    // Runs sql (one statement or several) on db, its rows not read.
    static bool execute(sqlite3* db, const QString& sql, QString* error);
    // The first column of sql's first row on db as a whole number; -1 for
    // none or on failure.
    static qint64 number(sqlite3* db, const QString& sql);
    QString errorMessage() const;

  private:
    sqlite3_stmt* m_stmt = nullptr;
};
