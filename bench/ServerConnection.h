#pragma once
// The references of the server benchmarks talk to PostgreSQL directly through
// libpq, the way any client program would: the statements go as text, results
// come back as text (as the register's engine asks for them), so what the
// server and the wire need is the limit the program's figures are compared with.

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <vector>

struct pg_conn;

class ServerConnection {
  public:
    ServerConnection() = default;
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    // Connects with the folder's server setting (db1.conninfo).
    bool open(const QString& folder);
    QString errorString() const { return m_error; }

    // Runs one statement without parameters and counts its rows; -1 on failure.
    qint64 rows(const QByteArray& sql);
    // The first column of every row as whole numbers.
    bool keys(const QByteArray& sql, std::vector<qint32>* out);
    // One whole number from a one-row query, or fallback.
    qint64 scalar(const QByteArray& sql, qint64 fallback = -1);

    // A whole line stored as one committed INSERT through a prepared
    // statement, every column but the key (the server's identity) bound.
    bool prepareInsert(); // once per connection
    // supplier: the line's, when not the filter's supplier.
    bool insertLine(const QByteArray& supplier = QByteArray());

  private:
    bool fail();

    pg_conn* m_conn = nullptr;
    QString m_error;
    bool m_insertPrepared = false;
};
