#pragma once
// Column widths as a spreadsheet's AutoFit gives them, without a font
// engine: the text's width in pixels in Arial 10 at 96 dpi, from the font's
// advance widths, over the digit width of 7 pixels. The writer adds the
// column's 5 pixels of padding when it stores the width.

#include <QString>

class Workbook;

namespace ColumnFit {

int textPixels(const QString& text);
// The shown text of a number in the General format.
QString generalText(double value);
// Fits columns first..last to the widest shown value among their cells.
void fit(Workbook& book, int firstColumn, int lastColumn);

} // namespace ColumnFit
