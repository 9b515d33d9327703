#pragma once
// Reads an Office Open XML workbook (.xlsx): the sheets the workbook lists,
// in its order, with their shared strings, inline strings and numbers. Cell
// styles are not read: a day number is known as a date by the register
// column it is mapped to.

#include "import/SheetCells.h"

namespace XlsxReader {

bool read(const QString& path, Workbook* out, QString* reason);

} // namespace XlsxReader
