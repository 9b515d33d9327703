#pragma once
// Reads an Excel 97-2003 workbook (.xls) with libfreexl: every worksheet,
// texts and numbers as the cells hold them, dates that the cells' formats
// mark as dates as their ISO text. A workbook saved with a password is
// refused (libfreexl reads no encrypted streams).

#include "import/SheetCells.h"

namespace XlsReader {

bool read(const QString& path, Workbook* out, QString* reason);

} // namespace XlsReader
