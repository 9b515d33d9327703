#include "export/ColumnFit.h"

#include "data/NumberText.h"
#include "export/Workbook.h"

#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr double PixelsPerEm = 10 * 96 / 72.0;
constexpr int DigitPixels = 7;

// Arial's advance widths in 1/1000 em for U+0020 to U+007E.
constexpr short AsciiWidths[95] = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, // space to /
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556,                               // 0 to 9
    278, 278, 584, 584, 584, 556, 1015,                                             // : to @
    667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833,                // A to M
    722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611,                // N to Z
    278, 278, 278, 469, 556, 333,                                                   // [ to `
    556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833,                // a to m
    556, 556, 556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500,                // n to z
    334, 260, 334, 584};

int emWidth(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= 0x20 && u <= 0x7E)
        return AsciiWidths[u - 0x20];
    if (u >= 0x0410 && u <= 0x044F) { // Cyrillic letters of Bulgarian and Russian
        const QChar lower = c.toLower();
        const bool wide = QStringLiteral("жшщыюмЖШЩЫЮМ").contains(c);
        if (c.isUpper())
            return wide ? 900 : 700;
        return wide || lower == QChar(0x0444) ? 800 : 556;
    }
    // Accented Latin letters are as wide as their base letter; other signs
    // are taken as a digit's width.
    const QString base = QString(c).normalized(QString::NormalizationForm_D);
    if (!base.isEmpty() && base[0].unicode() >= 0x20 && base[0].unicode() <= 0x7E)
        return AsciiWidths[base[0].unicode() - 0x20];
    return 556;
}

} // namespace

namespace ColumnFit {

int textPixels(const QString& text)
{
    int pixels = 0;
    for (QChar c : text)
        pixels += int(std::lround(emWidth(c) * PixelsPerEm / 1000));
    return pixels;
}

QString generalText(double value)
{
    return NumberText::generalText(value, QLocale::c());
}

void fit(Workbook& book, int firstColumn, int lastColumn)
{
    std::vector<int> widest(size_t(lastColumn - firstColumn + 1), -1);
    std::vector<int> textPixelsCache(size_t(book.texts().size()), -1);
    QHash<double, int> numberPixelsCache; // prices and money repeat
    for (int r = 0; r < book.rowCount(); ++r) {
        const std::vector<Cell>& cells = book.row(r);
        for (int c = firstColumn; c <= lastColumn && c < int(cells.size()); ++c) {
            const Cell& cell = cells[size_t(c)];
            int pixels = -1;
            if (cell.kind == Cell::Text) {
                int& cached = textPixelsCache[cell.text];
                if (cached < 0)
                    cached = textPixels(book.texts()[int(cell.text)]);
                pixels = cached;
            } else if (cell.kind == Cell::Number) {
                auto it = numberPixelsCache.constFind(cell.number);
                if (it == numberPixelsCache.constEnd())
                    it = numberPixelsCache.insert(cell.number, textPixels(generalText(cell.number)));
                pixels = *it;
            }
            int& w = widest[size_t(c - firstColumn)];
            w = std::max(w, pixels);
        }
    }
    for (int c = firstColumn; c <= lastColumn; ++c) {
        const int pixels = widest[size_t(c - firstColumn)];
        if (pixels >= 0) // an empty column keeps its width
            book.setColumnWidth(c, double(pixels) / DigitPixels);
    }
}

} // namespace ColumnFit
