#pragma once
// A table's rows as a converter reads them, one after another. The Access
// reader is one; tests give a stand-in with rows of their own, so the whole
// conversion is exercised without an Access file that holds order lines.
//
// Values come in the register's value form where one exists: int for the
// integer kinds (byte, integer, long integer, counter), Currency for money,
// QDate for a date-time (its date part), QString for text and memo; bool for
// yes/no and double for single and double. A null is an invalid QVariant; an
// empty text stays an empty QString.

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class RowSource {
  public:
    // What kind of value a column holds; the converter checks it against the
    // order column it fills.
    enum class Kind { Integer, Money, DateTime, Text, Memo, Boolean, Real, Other };

    virtual ~RowSource() = default;
    virtual QStringList columnNames() const = 0;
    virtual QVector<Kind> columnKinds() const = 0;
    // The number of rows the source declares, read before the rows.
    virtual qint64 declaredRowCount() const = 0;
    // The next row, one value per column; false at the end or on an error
    // (errorString() is then not empty).
    virtual bool next(QVector<QVariant>* row) = 0;
    virtual QString errorString() const = 0;
    // Whether the error says that the source itself is damaged (cut short,
    // garbled), rather than that it lacks what was asked of it.
    virtual bool isDamaged() const { return false; }

    static QString kindName(Kind kind);
};
