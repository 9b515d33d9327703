#pragma once
// How a column's value moves between the engine, the table's value form and
// the texts shown to the user.
//
// Value form (what OrderTable::value() returns): int for key and integer
// columns, Currency for currency columns, QString for text and memo, QDate for
// date; a null column is an invalid QVariant. In the file currency is an
// INTEGER of ten-thousandths and a date a TEXT YYYY-MM-DD; on a server a
// bigint of ten-thousandths and a date.

#include "data/Currency.h"
#include "data/OrderColumns.h"

#include <QVariant>

struct sqlite3_stmt;
class EngineRow;

namespace FieldCodec {

// Result column i of the current row, in value form.
QVariant read(const EngineRow& row, int i, ColumnType type);
// Binds a value in value form to parameter (1-based); false when the engine refuses.
bool bind(sqlite3_stmt* stmt, int parameter, const QVariant& value);

// Converts what a caller gives to OrderTable::setValue into value form. Texts
// are cut to the column's width; an empty text makes a number or date null.
// false with a message for a value the column cannot take.
bool fromInput(const QVariant& input, int column, QVariant* out, QString* error);

// The text of a value as the record form shows it: numbers as integer text,
// money in the system's number format, dates as YYYY-MM-DD; null is "".
QString text(const QVariant& value);
// The text the grid shows: text() except for the note, which is shown with
// blanks and control characters removed at both ends.
QString displayText(const QVariant& value, int column);

// Readers for the typed accessors; null and unreadable values read as 0 / empty.
qint32 toInteger(const QVariant& value);
Currency toCurrency(const QVariant& value);
double toFloat(const QVariant& value);
QDate toDate(const QVariant& value);

} // namespace FieldCodec
