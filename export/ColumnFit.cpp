#include "export/ColumnFit.h"

#include "data/NumberText.h"
#include "export/ArialWidths.h"
#include "export/SheetWriter.h"
#include "export/Workbook.h"

#include <QHash>
#include <QLocale>
#include <QStringView>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double FontPoints = 10;
constexpr double PixelsPerPoint = 96 / 72.0;
// Excel: a digit of Arial 10 is 7 pixels; a column adds 5 pixels of padding.
constexpr int ExcelDigitPixels = 7;
constexpr int ExcelPaddingPixels = 5;
// LibreOffice: its digit (the unit of the stored width) is 111 twips, and it
// gives a cell of an Excel file 2 points of margin on either side. Numbers
// lose a decimal at less than about 4.6 points beyond the text's width.
constexpr double LibreOfficeDigitPoints = 111 / 20.0;
constexpr double LibreOfficePaddingPoints = 5;
constexpr int Unit = 256;

int excelWidth(int textPixels) {
    return (textPixels + ExcelPaddingPixels) * Unit / ExcelDigitPixels;
}

int libreOfficeWidth(double textPoints) {
    return int(std::ceil((textPoints + LibreOfficePaddingPoints) * Unit / LibreOfficeDigitPoints));
}

// Characters as the workbook counts them, for a width in 1/256 digit: the
// whole pixels that hold it, less the padding.
double characters(int width) {
    const int pixels = (width * ExcelDigitPixels + Unit - 1) / Unit;
    return double(std::max(pixels - ExcelPaddingPixels, 0)) / ExcelDigitPixels;
}

int storedWidth(const Workbook& book, int column) {
    const auto it = book.columnWidths().find(column);
    // A column without a width shows the default of 8.43 characters.
    return SheetWriter::storedWidth(it == book.columnWidths().end() ? 8.43 : it->second);
}

} // namespace

namespace ColumnFit {

int neededWidth(const QString& text, bool bold) {
    // Excel rounds each letter to whole pixels; LibreOffice keeps fractions.
    int pixels = 0;
    double em = 0;
    for (const char32_t u : QStringView(text).toUcs4()) {
        const double advance = ArialWidths::advance(u, bold);
        pixels += int(std::lround(advance / 1000 * FontPoints * PixelsPerPoint));
        em += advance / 1000;
    }
    return std::max(excelWidth(pixels), libreOfficeWidth(em * FontPoints));
}

QString generalText(double value) {
    return NumberText::generalText(value, QLocale::c());
}

void fit(Workbook& book, int firstColumn, int lastColumn) {
    std::vector<int> widest(size_t(lastColumn - firstColumn + 1), -1);
    std::vector<int> textWidthCache(size_t(book.texts().size()), -1);
    QHash<double, int> numberWidthCache; // prices and money repeat
    for (int r = 0; r < book.rowCount(); ++r) {
        const std::vector<Cell>& cells = book.row(r);
        for (int c = firstColumn; c <= lastColumn && c < int(cells.size()); ++c) {
            const Cell& cell = cells[size_t(c)];
            int width = -1;
            if (cell.kind == Cell::Text) {
                int& cached = textWidthCache[cell.text];
                if (cached < 0)
                    cached = neededWidth(book.texts()[int(cell.text)]);
                width = cached;
            } else if (cell.kind == Cell::Number) {
                auto it = numberWidthCache.constFind(cell.number);
                if (it == numberWidthCache.constEnd())
                    it = numberWidthCache.insert(cell.number, neededWidth(generalText(cell.number)));
                width = *it;
            }
            int& w = widest[size_t(c - firstColumn)];
            w = std::max(w, width);
        }
    }
    for (int c = firstColumn; c <= lastColumn; ++c) {
        const int width = widest[size_t(c - firstColumn)];
        if (width >= 0) // an empty column keeps its width
            book.setColumnWidth(c, characters(width));
    }
}

void spanToFit(Workbook& book, int firstColumn, int lastColumn, const QString& text, bool bold) {
    int others = 0;
    for (int c = firstColumn; c < lastColumn; ++c)
        others += storedWidth(book, c);
    // One pixel to spare per column for Excel's rounding of each column to pixels.
    const int spare = (lastColumn - firstColumn) * Unit / ExcelDigitPixels;
    const int needed = neededWidth(text, bold) + spare - others;
    if (needed > storedWidth(book, lastColumn))
        book.setColumnWidth(lastColumn, characters(needed));
}

} // namespace ColumnFit
