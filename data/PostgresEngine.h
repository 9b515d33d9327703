#pragma once
// The engine over a PostgreSQL server, for a register several clerks share,
// on libpq. The key sequence is the key column's own sequence; a line's
// version is its row version (xmin), which the server changes whenever the
// line is stored; a read transaction is REPEATABLE READ.
//
// The connection can break (the server restarts, the network goes): the step
// that meets it fails with a message that says so, and the next step
// connects again (on a new session, whose prepared statements are made
// anew), unless a transaction was open, which must be rolled back first so
// that its reads and writes are not taken for whole.
//
// Each statement is sent and its answer awaited on the socket, so that a
// statement that waits (a lock held elsewhere, a slow server) can be shown
// and given up: the ServerWait is asked every moment, and a give-up cancels
// the statement on the server. Other programs' stores reach a watching
// engine as notifications from the register's trigger.

#include "data/Engine.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QStringList>
#include <functional>

struct pg_conn;
struct pg_result;

class PostgresEngine : public Engine {
  public:
    PostgresEngine() = default;
    ~PostgresEngine() override;
    PostgresEngine(const PostgresEngine&) = delete;
    PostgresEngine& operator=(const PostgresEngine&) = delete;

    // Connects with a libpq connection string (key=value pairs or a URI).
    bool connect(const QString& connectionString, QString* error);
    // Whether every column of Table1 of layout version is there with a type
    // that holds the register's values exactly; when not, error names the
    // first that does not.
    bool schemaFits(int version, QString* error);

    bool query(const QString& sql, const EngineParameters& parameters, const EngineVisitor& visit,
               QString* error) override;
    bool execute(const QString& sql, const EngineParameters& parameters, qint64* changed,
                 QString* error) override;
    bool beginRead(QString* error) override;
    bool beginWrite(QString* error) override;
    bool commit(QString* error) override;
    void rollback() override;
    bool nextKey(qint32* key, QString* error) override;
    bool insertTakingNextKey(const QString& sql, const EngineParameters& parameters,
                             const EngineVisitor& visit, QString* error) override;
    bool advanceKeySequence(qint32 key, QString* error) override;
    bool reserveKeys(int count, QVector<qint32>* keys, QString* error) override;
    qint64 lastKey() override;
    QString versionExpression() const override;
    QString containsIgnoringCase(const QStringList& columns) const override;
    bool connectionLost() const override { return m_lost; }
    void setWait(ServerWait* wait) override { m_wait = wait; }
    bool busy() const override { return m_busy; }
    bool sumsWhileReadingKeys() const override { return true; }
    void viewReadAfterReconnect() override { m_reconnected = false; }

    // What a step says when no session with the server can be had; detail
    // is libpq's account.
    static QString unreachableMessage(const QString& detail);
    // Whether the library can read setting as a connection string; when
    // not, error says why ("missing "=" after ...").
    static bool settingParses(const QString& setting, QString* error);

    // The statements that make Table1 and its indexes in an empty database.
    static QStringList schemaStatements();
    // The statement that adds the column (OrderColumns::Index) to Table1,
    // declared as CREATE TABLE does; nothing when it is there already.
    static QString addColumnStatement(int index);
    // The trigger that tells every program watching the register that Table1
    // changed (a notification on ChangeChannel with the table's schema).
    static QStringList changeSignalStatements();
    // The trigger that refuses every store while register_server move
    // copies lines into the register (holdOffStores), with movingMessage().
    static QStringList moveGuardStatements();
    static QString movingMessage();
    // Makes those triggers on a register made before they existed; a clerk
    // without the right to make them just sees no one else's changes and
    // meets no guard.
    void ensureChangeSignal();
    bool holdOffStores(QString* error) override;
    // Creates the database the connection string names when it is not there
    // yet (through the server's maintenance database), then Table1 in it
    // when that is missing, with the shared tables of lists and photos.
    // created tells whether Table1 was made. A role that lacks CREATEDB, or
    // CREATE on the schema, is told so by name.
    static bool createRegister(const QString& connectionString, bool* created, QString* error);
    static QString noCreatedbMessage(const QString& role, const QString& database);
    static QString noCreateOnSchemaMessage(const QString& role, const QString& schema);

  protected:
    bool pollOthers() override;
    bool watchesOthers() const override { return m_watching && m_signalled; }

  private:
    // The result of sql with the parameters, or nullptr with error set.
    pg_result* run(const QString& sql, const EngineParameters& parameters, QString* error);
    bool ensureConnected(QString* error);
    bool configure(QString* error); // the session settings the register relies on
    QString failure(pg_result* result);
    bool command(const char* sql, QString* error);
    // Sends one statement (send returns libpq's 1 for sent) and waits for its
    // result, asking m_wait meanwhile; nullptr only when nothing could be sent.
    pg_result* exchange(const std::function<int()>& send, QString* error);
    // Waits until the answer is in (or the clerk gave the step up and the
    // server answered the cancel).
    void awaitAnswer();
    // Sends what libpq holds of the statement, asking m_wait meanwhile: a
    // large value (a photo) fills the socket long before a stalled server
    // takes it. A give-up drops the session, since a statement half sent
    // cannot be cancelled; false then, or when the connection broke.
    bool flushAsking();
    void cancelRunning();
    // A new session; with a wait set, step by step, asking it as a statement
    // does. stopped says why when the wait gave up or the timeout passed.
    pg_conn* connectWaiting(QString* stopped);
    bool listen(QString* error); // LISTEN on the change channel; learns the schema
    // Whether the role may make Table1 in the register's schema; error names
    // the right it lacks.
    bool mayCreateTables(QString* error);
    bool begin(const char* sql, QString* error); // a transaction, connecting first when needed

    pg_conn* m_conn = nullptr;
    QByteArray m_connectionString;         // for a new session when the old one was dropped
    QHash<QString, QByteArray> m_prepared; // statement text -> prepared name
    bool m_lost = false;
    bool m_inTransaction = false;
    // After a failed reconnect the next tries wait this long.
    static constexpr qint64 ReconnectPauseMs = 500;
    QElapsedTimer m_failedReconnect;
    QString m_reconnectError;
    ServerWait* m_wait = nullptr;
    bool m_busy = false;
    bool m_gaveUp = false;
    bool m_watching = false;    // LISTEN on ChangeChannel (again after each reconnect)
    QByteArray m_schema;        // the register's schema, the notifications' payload
    bool m_signalled = false;   // Table1 has the trigger that sends them
    bool m_reconnected = false; // since the last pollOthers()
};
