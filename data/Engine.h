#pragma once
// The database engine under the register: the embedded SQLite file db1.mdb
// (the default, nothing to set up) or a PostgreSQL server that several clerks
// share. The order table speaks to either only through this interface, in SQL
// both understand; what differs between them lives in the two engines: how
// parameters are passed, the key sequence, the version of a line, what a
// read transaction is, and whether a connection can be lost.
//
// Statements are written with ? for each parameter. Parameters and results
// are in the table's value form (see FieldCodec.h): int, Currency, QDate,
// QString, and an invalid QVariant for null.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <string_view>
#include <utility>

class ServerWait;

// One result row while a query runs; valid only inside the visit.
class EngineRow {
  public:
    virtual bool isNull(int i) const = 0;
    virtual qint64 integer(int i) const = 0;
    virtual std::string_view text(int i) const = 0; // UTF-8
    virtual int count() const = 0;                  // columns

  protected:
    ~EngineRow() = default;
};

using EngineParameters = QVector<QVariant>;
// Returns false to stop reading (the query still succeeds).
using EngineVisitor = std::function<bool(const EngineRow&)>;

class Engine {
  public:
    // What a step on a register whose connection is closed fails with.
    static QString notOpenMessage() { return QStringLiteral("The database connection is not open"); }

    virtual ~Engine() = default;

    // Runs one statement and hands each result row to visit. A statement
    // with parameters is prepared once and kept for the next call.
    virtual bool query(const QString& sql, const EngineParameters& parameters, const EngineVisitor& visit,
                       QString* error) = 0;
    // Runs one statement that returns no rows; changed, when given, gets the
    // number of lines it inserted, changed or deleted.
    virtual bool execute(const QString& sql, const EngineParameters& parameters, qint64* changed,
                         QString* error) = 0;

    // A transaction in which all reads see the register at one moment, so
    // that a view's lines and its sums agree whatever others store meanwhile.
    virtual bool beginRead(QString* error) = 0;
    // Whether a view's sums are better added up from its lines as their keys
    // are read than asked for in a statement of their own: where every
    // statement waits for a server's answer.
    virtual bool sumsWhileReadingKeys() const { return false; }
    // A transaction for a batch of writes.
    virtual bool beginWrite(QString* error) = 0;
    virtual bool commit(QString* error) = 0;
    virtual void rollback() = 0;

    // Takes the next number of the key sequence for good: no other program
    // on the register can get it, and it is never handed out again.
    virtual bool nextKey(qint32* key, QString* error) = 0;
    // Makes every number nextKey has handed out survive a loss of power
    // before it names anything outside the register (a photo file), which
    // must never meet a second line under the same number.
    virtual bool keepKeys(QString* /*error*/) { return true; }
    // Runs the INSERT of a new line (a query: it answers with the line) and
    // takes the key of the next new line along with it, in the same
    // transaction, which nextKey then hands out: the next Add waits for
    // nothing, and a server is asked once per stored line instead of twice.
    // The held key is lost when the program ends, as a cancelled line's is.
    virtual bool insertTakingNextKey(const QString& sql, const EngineParameters& parameters,
                                     const EngineVisitor& visit, QString* error) {
        return query(sql, parameters, visit, error);
    }
    // Takes count numbers of the key sequence for good, inside a write
    // transaction the caller holds (lines imported together); they need not
    // follow each other.
    virtual bool reserveKeys(int count, QVector<qint32>* keys, QString* error);
    // Moves the key sequence on to at least key (after lines were copied in
    // with their own keys).
    virtual bool advanceKeySequence(qint32 key, QString* error) = 0;
    // The largest key ever handed out (stored or not); 0 for none, -1 on failure.
    virtual qint64 lastKey() = 0;

    // Inside a write transaction: no other program stores or deletes a line
    // until it ends (they are refused with a message, not kept waiting),
    // for moving a whole register in. Waits for stores already under way.
    virtual bool holdOffStores(QString*) { return true; }

    // An SQL condition over Table1 that holds when the text of one of the
    // given columns (a number as its digits) contains the text of the
    // parameter "?", letter case ignored for Latin and Cyrillic alike, as the
    // sort ignores it. A match never runs from one column into the next.
    virtual QString containsIgnoringCase(const QStringList& columns) const = 0;

    // SQL expression over Table1 whose value changes whenever the engine
    // stores the line again, read with a line and compared when it is
    // stored or deleted, so that another clerk's work is never overwritten.
    virtual QString versionExpression() const = 0;

    // True when the last failure was the connection to the engine breaking:
    // nothing of the failed step can be taken as done or as not done.
    virtual bool connectionLost() const { return false; }

    // Who is asked while a statement waits for a server's answer (nullptr:
    // nobody; the step waits).
    virtual void setWait(ServerWait*) {}
    // True while a statement waits for its answer: a read asked meanwhile
    // (the grid painting itself) gets nothing instead of a second statement
    // on the same connection.
    virtual bool busy() const { return false; }
    // Whether another program stored or deleted lines since the last call;
    // the first call starts watching.
    bool changedByOthers();
    // The view was read (called before its read): from now on
    // othersChangedSinceView() tells whether anyone else stored or deleted
    // lines since. A view kept up to date by this program's own stores is
    // only as good as that answer.
    void viewReadFromHere();
    // True unless the engine watches other programs and none stored or
    // deleted a line since viewReadFromHere() (whoever asked changedByOthers()
    // meanwhile).
    bool othersChangedSinceView();
    // The whole view was just read on the session the engine has now: what
    // others did while it had none is in that read, no longer news.
    virtual void viewReadAfterReconnect() {}

    // Runs a statement without parameters and returns its first column of
    // the first row as a whole number; -1 when there is none or on failure.
    qint64 number(const QString& sql);
    // Runs the statements without parameters in one write transaction; on
    // any failure, the commit's included, nothing of them is kept.
    bool executeAll(const QStringList& statements, QString* error);

    // Sees every statement any engine sends on the thread that set it, with
    // its parameters, before it is sent: tests count what a step asks of the
    // register. None by default.
    using StatementObserver = std::function<void(const QString& sql, const EngineParameters& parameters)>;
    static void setStatementObserver(StatementObserver observer);

  protected:
    // What changedByOthers() asks the engine; watchesOthers() tells whether
    // its "no" can be trusted.
    virtual bool pollOthers() { return false; }
    virtual bool watchesOthers() const { return false; }
    static void observe(const QString& sql, const EngineParameters& parameters = {});
    // The key insertTakingNextKey took for the next new line (0: none);
    // nextKey hands it out first.
    void holdKey(qint32 key) { m_heldKey = key; }
    bool takeHeldKey(qint32* key) {
        if (m_heldKey == 0)
            return false;
        *key = std::exchange(m_heldKey, 0);
        return true;
    }

  private:
    qint32 m_heldKey = 0;
    bool m_othersSinceView = true;
};
