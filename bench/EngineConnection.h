#pragma once
// The references of the benchmarks talk to the engine directly through the
// sqlite3 C API, the fastest way a program can read the file: what the engine
// itself needs is the limit the program's figures are compared with.
// Opened like the program opens it: read-write, WAL, synchronous FULL.

#include <QString>
#include <QtGlobal>
#include <vector>

struct sqlite3;

struct EngineSums {
    qint64 count = 0;
    qint64 pieces = 0;
    qint64 money = 0; // ten-thousandths
};

class EngineConnection {
  public:
    EngineConnection() = default;
    ~EngineConnection();
    EngineConnection(const EngineConnection&) = delete;
    EngineConnection& operator=(const EngineConnection&) = delete;

    bool open(const QString& path);
    sqlite3* handle() const { return m_db; }
    QString errorString() const;

    // Runs statements without reading results.
    bool exec(const char* sql);
    // The first column of every row, stepped with one prepared statement.
    bool keys(const QString& sql, std::vector<qint64>* out);
    // COUNT(*), SUM(polucbr), SUM(obsto) over the rows that pass where (may be empty).
    bool sums(const QString& where, EngineSums* out);
    // One integer from a one-row query, or fallback.
    qint64 scalar(const QString& sql, qint64 fallback = 0);

  private:
    sqlite3* m_db = nullptr;
};
