#pragma once
// The connection "Nelvo" to the register. By default that is the SQLite 3
// file that keeps the name db1.mdb in the application directory, opened
// read-write and never created here: a missing file is the engine's error,
// as for any database server that is not there. When the application
// directory holds the server setting (ServerSettingName: a libpq connection
// string), the register is that PostgreSQL database instead, shared by
// several clerks.

#include <QSqlDatabase>
#include <QString>
#include <memory>

class Engine;
class ServerWait;
struct sqlite3;

class Database {
  public:
    // The first connection of a process carries this name; further ones (a
    // second window on the same register, as tests open) add a number.
    static constexpr const char* ConnectionName = "Nelvo";
    static constexpr const char* FileName = "db1.mdb";
    static constexpr const char* ServerSettingName = "db1.conninfo";
    // No connection string comes near it; a larger file is refused unread.
    static constexpr qint64 LargestSetting = 64 * 1024;

    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Opens the register of the given folder: the server its setting names,
    // else FileName there (WAL, synchronous FULL, busy timeout). No effect
    // when already open. On failure errorString() has the engine's message
    // and the connection stays closed.
    bool open(const QString& folder);
    // The connection string of the folder's server setting: comment lines
    // (#) and blanks left out. Empty when the folder has none; error set
    // when it has one that cannot be read (not a regular file, over
    // LargestSetting, a NUL, not a connection string) or holds nothing.
    static QString serverSetting(const QString& folder, QString* error);
    // Whether the folder has a server setting at all (its register is then
    // the server's, also while that cannot be reached).
    static bool hasServerSetting(const QString& folder);
    void close();
    bool isOpen() const;
    QString errorString() const { return m_error; }

    // The engine of the open register; nullptr while closed.
    Engine* engine() const { return m_engine.get(); }
    // The engine of the open server register; nullptr, with error set to
    // Engine::notOpenMessage(), otherwise.
    Engine* serverEngine(QString* error) const;
    bool isServer() const { return m_server; }
    // The last open failed because the server did not answer (it may be
    // back at the next try), not because of what the register holds.
    bool serverUnreachable() const { return m_unreachable; }
    // What a server register's engine asks while connecting and while a
    // statement waits for its answer, from the first step on.
    void setServerWait(ServerWait* wait) { m_wait = wait; }

    // The file's own handle (embedded register only; nullptr on a server).
    sqlite3* handle() const;

    // Runs one text command; its result is not read.
    bool execute(const QString& sql);

    // Creates an empty register file with Table1 at path; does nothing when a
    // file is already there. Used by the build and by tests, never at start-up.
    static bool createEmptyFile(const QString& path, QString* error);

    QString connectionName() const { return m_name; }

    // The folder's file db1.mdb whatever the server setting says (to move
    // its lines to the server).
    bool openEmbedded(const QString& folder);

  private:
    bool openServer(const QString& connectionString);
    QSqlDatabase connection() const;

    QString m_name;
    QString m_error;
    std::unique_ptr<Engine> m_engine;
    bool m_server = false;
    bool m_unreachable = false;
    ServerWait* m_wait = nullptr;
};
