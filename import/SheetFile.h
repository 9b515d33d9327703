#pragma once
// Reads a spreadsheet file into a Workbook, by the reader its name's ending
// asks for: .csv, .tsv and .txt as text, .xls with libfreexl, .xlsx and .ods
// as zipped XML. A failure's message names the file and the reason.

#include "import/SheetCells.h"

namespace SheetFile {

// The file dialog's filter for the files read here.
QString dialogFilter();
bool read(const QString& path, Workbook* out, QString* error);

} // namespace SheetFile
