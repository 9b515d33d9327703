#pragma once
// Reads a text sheet (.csv, .tsv, .txt) into one sheet of text cells. The
// encoding is found as the pick lists are read (a byte-order mark for UTF-8
// or UTF-16, else UTF-8 where it is valid and Windows-1251 otherwise); the
// delimiter is the one of tab, semicolon, comma and bar that splits a header
// row naming the most register columns out of the first lines, or, without
// one, the one that splits most of them into the same number of cells (a
// .tsv file is always split at tabs). Fields may be quoted with double quotes, a doubled quote standing
// for one, and then hold delimiters and line breaks.

#include "import/SheetCells.h"

#include <QByteArray>

namespace CsvReader {

// False with the reason (not naming the file) when the bytes are no text.
bool read(const QByteArray& bytes, QChar forcedDelimiter, Sheet* out, QString* reason);
// The delimiter found in text.
QChar detectDelimiter(const QString& text);

} // namespace CsvReader
