#pragma once
// Reads an OpenDocument spreadsheet (.ods): the tables of content.xml with
// their texts, numbers and dates (a date cell gives its ISO text). Repeated
// empty rows and cells, which fill a sheet out to its last column and row,
// only move the position; a repeated cell or row with content is counted
// against the limits at every repetition.

#include "import/SheetCells.h"

namespace OdsReader {

bool read(const QString& path, Workbook* out, QString* reason);

} // namespace OdsReader
