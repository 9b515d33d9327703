#pragma once
// The connection "Nelvo" to the register's database file, an SQLite 3 file
// that keeps the name db1.mdb. The file is opened read-write and never
// created here: a missing file is the engine's error, as for any database
// server that is not there.

#include <QSqlDatabase>
#include <QString>

struct sqlite3;

class Database {
public:
    // The first connection of a process carries this name; further ones (a
    // second window on the same register, as tests open) add a number.
    static constexpr const char* ConnectionName = "Nelvo";
    static constexpr const char* FileName = "db1.mdb";

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens FileName in the given folder (WAL, synchronous FULL, busy timeout).
    // No effect when already open. On failure errorString() has the engine's
    // message and the connection stays closed.
    bool open(const QString& folder);
    void close();
    bool isOpen() const;
    QString errorString() const { return m_error; }

    QSqlDatabase connection() const;
    // The engine's own handle, for bulk reads that Qt's query layer slows down.
    sqlite3* handle() const;

    // Runs one text command; its result is not read.
    bool execute(const QString& sql);

    // Creates an empty register file with Table1 at path; does nothing when a
    // file is already there. Used by the build and by tests, never at start-up.
    static bool createEmptyFile(const QString& path, QString* error);

    QString connectionName() const { return m_name; }

private:
    QString m_name;
    QString m_error;
};
