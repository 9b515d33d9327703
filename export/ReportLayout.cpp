#include "export/ReportLayout.h"

#include "export/ColumnFit.h"
#include "export/Workbook.h"

namespace {

constexpr int White = 16777215;
constexpr int Green = 32768;
constexpr int Red = 255;
constexpr int Silver = 12632256;
constexpr int LightGreen = 13434828;

// The height a row takes on for a 32-point font.
constexpr double CompanyRowPoints = 41.25;

void fill(Workbook& book, int row, int colour) {
    book.formatRange(row, 1, row, 3, [colour](CellFormat& f) { f.fill = colour; });
}

// One edge of every cell along a side of the rectangle, thin and automatic.
void outline(Workbook& book, int top, int left, int bottom, int right) {
    const auto edge = [&book](int r1, int c1, int r2, int c2, CellFormat::Edge e) {
        book.formatRange(r1, c1, r2, c2, [e](CellFormat& f) { f.edges[e] = {CellBorder::Thin, -1}; });
    };
    edge(top, left, bottom, left, CellFormat::Left);
    edge(top, left, top, right, CellFormat::Top);
    edge(bottom, left, bottom, right, CellFormat::Bottom);
    edge(top, right, bottom, right, CellFormat::Right);
}

} // namespace

namespace ReportLayout {

bool apply(Workbook& book, const Texts& texts, int lines, int sortColumn, QString* error) {
    if (HeaderRow + 1 + lines > Workbook::MaxRows) {
        *error = QStringLiteral("%1 lines do not fit on a sheet under its title rows").arg(lines);
        return false;
    }
    book.insertRows(0, TitleRows);
    for (int c = 0; c < Columns; ++c)
        book.setText(HeaderRow, c, QString::fromLatin1(ReportColumns::All[c].caption));
    // Fitted before the title texts are filled in, which may stand out.
    ColumnFit::fit(book, 0, Columns - 1);

    book.setText(0, 1, texts.creditLine);
    book.setText(1, 1, texts.company);
    book.formatRange(1, 1, 1, 1, [](CellFormat& f) {
        f.font.name = QStringLiteral("Arial");
        f.font.points = 32;
    });
    book.setRowHeight(1, CompanyRowPoints);
    book.setText(2, 1, texts.supplier);
    fill(book, 2, White);
    book.setText(3, 1, texts.pieces);
    fill(book, 3, Green);
    book.setText(4, 1, texts.money);
    fill(book, 4, Red);
    book.formatRange(3, 1, 4, 1, [](CellFormat& f) {
        f.font.colour = White;
        f.font.bold = true;
    });
    outline(book, 2, 1, 4, 3);
    // The band B:D is as wide as the table made it; a longer status text
    // would run past it, white on white where it is bold.
    ColumnFit::spanToFit(book, 1, 3, texts.supplier, false);
    ColumnFit::spanToFit(book, 1, 3, texts.pieces, true);
    ColumnFit::spanToFit(book, 1, 3, texts.money, true);

    const int lastRow = HeaderRow + lines;
    book.formatRange(HeaderRow, 0, lastRow, Columns - 1, [](CellFormat& f) {
        for (CellBorder& e : f.edges)
            e = {CellBorder::Thin, Silver};
        f.numberFormat = QStringLiteral("General");
    });

    PageSetup& page = book.pageSetup();
    page.blackAndWhite = true;
    page.portrait = true;
    book.setPrintTitleRows(HeaderRow, HeaderRow);
    page.left = 30;
    page.right = 30;
    page.top = 40;
    page.bottom = 40;
    page.header = 25;
    page.footer = 25;
    // One page across, as many down as the lines need; only the table's
    // columns print, so a long company name cannot add pages to the right.
    page.fitPagesWide = 1;
    book.setPrintArea({0, 0, lastRow, Columns - 1});

    if (sortColumn >= 0 && sortColumn < Columns) {
        book.formatRange(HeaderRow, sortColumn, HeaderRow, sortColumn,
                         [](CellFormat& f) { f.fill = LightGreen; });
        book.setComment({HeaderRow, sortColumn, QStringLiteral("Sort Criteria"), QStringLiteral("Nelvo")});
    }
    book.setFrozenRows(HeaderRow + 1);
    return true;
}

} // namespace ReportLayout
