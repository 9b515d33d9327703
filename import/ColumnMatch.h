#pragma once
// Which register column a sheet's column holds, told by its header: the
// column's grid title, its form caption, its Bulgarian hint or its name
// ("supplier", "Supplier", "Доставчик", "dostavcik"), letter case and
// spacing ignored. The header row is the first row in which at least two
// cells name columns, so a title block above it is passed over.

#include "import/SheetCells.h"

#include <QStringList>

namespace ColumnMatch {

// The register column a header names, or -1.
int columnFor(const QString& header);
// What names the column, as the user reads it: "supplier / Supplier / Доставчик / dostavcik".
QString namesOf(int column);
// The index of the header row among the sheet's first rows, or -1.
int findHeaderRow(const Sheet& sheet);
// For each cell of the header row, the register column it names or -1; a
// column named twice is taken from its first cell only.
QVector<int> mapHeader(const SheetRow& header);

} // namespace ColumnMatch
