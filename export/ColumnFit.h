#pragma once
// Column widths that show every value whole in the two programs that print
// the report: Excel, whose AutoFit measures Arial 10 in whole pixels at 96 dpi
// over a digit of 7 pixels, and LibreOffice, which lays out the same font
// (or Liberation Sans) in points over a wider digit and keeps larger cell
// margins. A number too wide for its cell loses decimals there, a text is
// cut. Widths are in 1/256 of the digit's width, as the file stores them.

#include <QString>

class Workbook;

namespace ColumnFit {

// The width that shows the text whole in Arial 10, regular or bold.
int neededWidth(const QString& text, bool bold = false);
// The shown text of a number in the General format.
QString generalText(double value);
// Fits columns first..last to the widest shown value among their cells.
void fit(Workbook& book, int firstColumn, int lastColumn);
// Widens column last when columns first..last together are too narrow for
// the text, which starts in column first and runs on into the others.
void spanToFit(Workbook& book, int firstColumn, int lastColumn, const QString& text, bool bold);

} // namespace ColumnFit
