#pragma once
// Writes the rows of another table (the Access register's Table1) into a new
// register file: our schema and indexes, every line with its key, the key
// sequence continuing after the largest key. Then reads the new file back
// for the figures the caller compares with the source's: line count, sum of
// received pieces (polucbr) and sum of money (obsto).
//
// Values are taken as the source gives them: texts whole (nothing is cut to
// the form's widths, the old register may hold longer ones), nulls stay null
// and empty texts empty. A line the record form could never have stored
// (money that is not price times received) stops the conversion with the
// first such line named, so nothing is converted. The file is written with the engine's C interface
// on the calling thread; the caller renames it into place after its checks.

#include "data/Currency.h"
#include "data/RowSource.h"

#include <QString>
#include <QStringList>
#include <functional>

struct RegisterFigures {
    qint64 lines = 0;
    qint64 received = 0;
    Currency money;
    friend bool operator==(const RegisterFigures& a, const RegisterFigures& b) {
        return a.lines == b.lines && a.received == b.received && a.money == b.money;
    }
    friend bool operator!=(const RegisterFigures& a, const RegisterFigures& b) { return !(a == b); }
};

class SqliteStatement;

class RegisterConversion {
  public:
    enum class Outcome { Converted, Cancelled, Failed };
    // Called every few hundred rows with the number of rows written; false cancels.
    using Progress = std::function<bool(qint64 done)>;

    // The captions of the order columns the source lacks (names compared ignoring case).
    static QStringList missingColumns(const RowSource& source);

    // Writes targetPath (replacing a file left there by an interrupted run).
    // Unless the outcome is Converted, the target is removed again.
    Outcome convert(RowSource& source, const QString& targetPath, const Progress& progress);

    QString errorString() const { return m_error; }
    // Whether the failure was the source's own damage (see RowSource::isDamaged()).
    bool sourceDamaged() const { return m_sourceDamaged; }
    // The source's own row count, and the sums over the rows it gave.
    RegisterFigures sourceFigures() const { return m_source; }
    // The same figures read back from the written file.
    RegisterFigures targetFigures() const { return m_target; }

  private:
    // The steps of convert's writing, each false (or not Converted) with
    // m_error set when it fails.
    Outcome write(RowSource& source, struct sqlite3* db, const Progress& progress);
    bool sourceFits(const RowSource& source, const QVector<int>& map);
    bool createTable(struct sqlite3* db, const QStringList& schema);
    bool prepareInsert(struct sqlite3* db, const QVector<int>& map, SqliteStatement* insert,
                       QVector<int>* copied);
    Outcome copyLines(RowSource& source, struct sqlite3* db, const QVector<int>& map,
                      const QVector<int>& copied, SqliteStatement& insert, const Progress& progress,
                      qint64* written);
    bool finishTable(struct sqlite3* db, const QStringList& schema);
    bool readBack(struct sqlite3* db);

    QString m_error;
    bool m_sourceDamaged = false;
    RegisterFigures m_source;
    RegisterFigures m_target;
};
