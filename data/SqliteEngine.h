#pragma once
// The engine over the embedded register file, on a connection Database has
// opened. Statements with parameters are prepared once and kept; the key
// sequence is AUTOINCREMENT's entry in sqlite_sequence; a line's version is
// the engine's own text of all its values.

#include "data/Engine.h"
#include "data/SqliteStatement.h"

#include <QHash>
#include <memory>

struct sqlite3;

class SqliteEngine : public Engine {
  public:
    explicit SqliteEngine(sqlite3* db);

    // Registers on db the functions the engine's statements use (the
    // register file itself holds none, so any SQLite tool reads it).
    static void addFunctions(sqlite3* db);

    // How long a statement waits for another program's lock on the file.
    static constexpr int BusyTimeoutMs = 5000;
    // Makes db wait for a lock up to BusyTimeoutMs, trying again every
    // millisecond. Set before the first statement on a new connection.
    static void waitWhenBusy(sqlite3* db);

    // Columns of db's Table1 whose declared type would not hold the
    // register's values (another tool may have made it: a typed "12.50"
    // would be kept as text or a real in the money column and read back as
    // another amount), or a column of layout version missing: the message
    // names the first in error.
    static bool schemaFits(sqlite3* db, int version, QString* error);

    bool query(const QString& sql, const EngineParameters& parameters, const EngineVisitor& visit,
               QString* error) override;
    bool execute(const QString& sql, const EngineParameters& parameters, qint64* changed,
                 QString* error) override;
    bool beginRead(QString* error) override;
    bool beginWrite(QString* error) override;
    bool commit(QString* error) override;
    void rollback() override;
    bool nextKey(qint32* key, QString* error) override;
    bool keepKeys(QString* error) override;
    bool insertTakingNextKey(const QString& sql, const EngineParameters& parameters,
                             const EngineVisitor& visit, QString* error) override;
    bool advanceKeySequence(qint32 key, QString* error) override;
    bool reserveKeys(int count, QVector<qint32>* keys, QString* error) override;
    qint64 lastKey() override;
    QString versionExpression() const override;
    QString containsIgnoringCase(const QStringList& columns) const override;

  protected:
    // Other programs' commits move the file's data version; this
    // connection's own do not.
    bool pollOthers() override;
    bool watchesOthers() const override { return m_dataVersion >= 0; }

  private:
    // The statement for sql with the parameters bound: a kept one when there
    // are parameters, else a fresh one in scratch.
    SqliteStatement* statement(const QString& sql, const EngineParameters& parameters,
                               SqliteStatement* scratch, QString* error);
    bool run(const char* sql, QString* error);
    // Moves the key sequence on by one, committed.
    bool reserveKey(qint32* key, QString* error);
    // The key sequence one on; next is the new value, -1 when the register
    // has no entry for it yet.
    bool moveKeySequence(qint64* next, QString* error);
    // Whether the register keeps a write-ahead log (asked once).
    bool isWal();

    sqlite3* m_db;
    // Table statements run with parameters: a handful of distinct texts.
    QHash<QString, std::shared_ptr<SqliteStatement>> m_prepared;
    QString m_journalMode;       // empty until asked
    bool m_keysUnsynced = false; // a key was taken without a sync of the log
    qint64 m_dataVersion = -1;   // as last polled; -1 before
};
