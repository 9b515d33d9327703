#include "export/SheetWriter.h"

#include "export/BiffStream.h"
#include "export/CommentDrawing.h"
#include "export/StyleTable.h"
#include "export/Workbook.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint16_t Eof = 0x000A;
constexpr std::uint16_t Number = 0x0203;
constexpr std::uint16_t LabelSst = 0x00FD;
constexpr std::uint16_t Blank = 0x0201;
constexpr std::uint16_t Row = 0x0208;
constexpr int RowBlock = 32;

void u16Record(BiffStream& out, std::uint16_t id, std::uint16_t value) {
    out.begin(id);
    out.u16(value);
    out.end();
}

void doubleRecord(BiffStream& out, std::uint16_t id, double value) {
    out.begin(id);
    out.f64(value);
    out.end();
}

double inches(double points) {
    return points / 72.0;
}

void writePageSettings(BiffStream& out, const PageSetup& page) {
    u16Record(out, 0x002A, 0); // PRINTHEADERS
    u16Record(out, 0x002B, 0); // PRINTGRIDLINES: only the borders print
    u16Record(out, 0x0082, 1); // GRIDSET
    out.begin(0x0080);         // GUTS
    out.zeros(8);
    out.end();
    out.begin(0x0225); // DEFAULTROWHEIGHT
    out.u16(0);
    out.u16(255);
    out.end();
    // WSBOOL; 0x0100: scaled to the pages of SETUP's fit width and height.
    u16Record(out, 0x0081, std::uint16_t(0x04C1 | (page.fitPagesWide > 0 ? 0x0100 : 0)));
    out.emptyRecord(0x0014);   // HEADER
    out.emptyRecord(0x0015);   // FOOTER
    u16Record(out, 0x0083, 0); // HCENTER
    u16Record(out, 0x0084, 0); // VCENTER
    doubleRecord(out, 0x0026, inches(page.left));
    doubleRecord(out, 0x0027, inches(page.right));
    doubleRecord(out, 0x0028, inches(page.top));
    doubleRecord(out, 0x0029, inches(page.bottom));
    out.begin(0x00A1); // SETUP
    out.u16(9);        // A4
    out.u16(100);      // scale
    out.u16(1);        // first page number
    out.u16(std::uint16_t(page.fitPagesWide));
    out.u16(0); // fit height: as many pages as needed
    // Portrait, black and white. "No printer settings" stays clear: it would
    // make readers ignore the orientation and the paper.
    out.u16(std::uint16_t((page.portrait ? 0x0002 : 0) | (page.blackAndWhite ? 0x0008 : 0)));
    out.u16(600);
    out.u16(600);
    out.f64(inches(page.header));
    out.f64(inches(page.footer));
    out.u16(1); // copies
    out.end();
}

void writeColumns(BiffStream& out, const Workbook& book) {
    u16Record(out, 0x0055, 8); // DEFCOLWIDTH
    for (const auto& [column, characters] : book.columnWidths()) {
        out.begin(0x007D); // COLINFO
        out.u16(std::uint16_t(column));
        out.u16(std::uint16_t(column));
        out.u16(SheetWriter::storedWidth(characters));
        out.u16(StyleTable::DefaultCellXf);
        out.u16(0);
        out.u16(0);
        out.end();
    }
}

bool hasRecord(const Cell& c) {
    return c.kind != Cell::Empty || c.format != 0;
}

void writeDimensions(BiffStream& out, const Workbook& book) {
    int firstRow = -1, lastRow = -1, firstColumn = Workbook::MaxColumns, lastColumn = -1;
    for (int r = 0; r < book.rowCount(); ++r) {
        const std::vector<Cell>& cells = book.row(r);
        for (int c = 0; c < int(cells.size()); ++c) {
            if (!hasRecord(cells[size_t(c)]))
                continue;
            if (firstRow < 0)
                firstRow = r;
            lastRow = r;
            firstColumn = std::min(firstColumn, c);
            lastColumn = std::max(lastColumn, c);
        }
    }
    out.begin(0x0200);
    if (firstRow < 0) {
        out.zeros(12);
    } else {
        out.u32(std::uint32_t(firstRow));
        out.u32(std::uint32_t(lastRow + 1));
        out.u16(std::uint16_t(firstColumn));
        out.u16(std::uint16_t(lastColumn + 1));
    }
    out.u16(0);
    out.end();
}

void writeCells(BiffStream& out, const Workbook& book, const StyleTable& styles) {
    const auto& heights = book.rowHeights();
    for (int block = 0; block < book.rowCount(); block += RowBlock) {
        const int end = std::min(block + RowBlock, book.rowCount());
        // The rows of a block that are not of the default height come first.
        for (auto it = heights.lower_bound(block); it != heights.end() && it->first < end; ++it) {
            const std::vector<Cell>& cells = book.row(it->first);
            out.begin(Row);
            out.u16(std::uint16_t(it->first));
            out.u16(0);
            out.u16(std::uint16_t(cells.size()));
            out.u16(std::uint16_t(std::lround(it->second * 20)));
            out.u32(0);
            out.u16(0x0140); // height set by hand
            out.u16(StyleTable::DefaultCellXf);
            out.end();
        }
        for (int r = block; r < end; ++r) {
            const std::vector<Cell>& cells = book.row(r);
            for (size_t c = 0; c < cells.size(); ++c) {
                const Cell& cell = cells[c];
                if (!hasRecord(cell))
                    continue;
                switch (cell.kind) {
                case Cell::Number:
                    out.begin(Number);
                    break;
                case Cell::Text:
                    out.begin(LabelSst);
                    break;
                case Cell::Empty:
                    out.begin(Blank);
                    break;
                }
                out.u16(std::uint16_t(r));
                out.u16(std::uint16_t(c));
                out.u16(styles.xf(cell.format));
                if (cell.kind == Cell::Number)
                    out.f64(cell.number);
                else if (cell.kind == Cell::Text)
                    out.u32(cell.text);
                out.end();
            }
            out.flushWhenFull();
        }
    }
}

void writeSelection(BiffStream& out, std::uint8_t pane) {
    out.begin(0x001D);
    out.u8(pane);
    out.u16(0); // active cell A1
    out.u16(0);
    out.u16(0);
    out.u16(1);
    out.u16(0); // the range A1:A1
    out.u16(0);
    out.u8(0);
    out.u8(0);
    out.end();
}

void writeWindow(BiffStream& out, const Workbook& book) {
    const int frozen = book.frozenRows();
    out.begin(0x023E); // WINDOW2
    out.u16(frozen > 0 ? 0x07BE : 0x06B6);
    out.u16(0); // top row
    out.u16(0); // left column
    out.u16(0x40);
    out.zeros(2);
    out.u16(0);
    out.u16(0);
    out.zeros(4);
    out.end();
    if (frozen > 0) {
        out.begin(0x0041); // PANE
        out.u16(0);
        out.u16(std::uint16_t(frozen));
        out.u16(std::uint16_t(frozen));
        out.u16(0);
        out.u8(2); // the lower pane is active
        out.u8(0);
        out.end();
        writeSelection(out, 3);
        writeSelection(out, 2);
    } else {
        writeSelection(out, 3);
    }
}

} // namespace

namespace SheetWriter {

std::uint16_t storedWidth(double characters) {
    const double pixels = std::trunc(7 * characters + 0.5) + 5;
    return std::uint16_t(std::min(65280.0, std::trunc(256 * pixels / 7)));
}

void write(BiffStream& out, const Workbook& book, const StyleTable& styles) {
    out.bof(BiffStream::Worksheet);
    writePageSettings(out, book.pageSetup());
    writeColumns(out, book);
    writeDimensions(out, book);
    writeCells(out, book, styles);
    if (book.comment().row >= 0)
        CommentDrawing::writeSheet(out, book.comment(), styles.commentFont());
    writeWindow(out, book);
    out.emptyRecord(Eof);
}

} // namespace SheetWriter
