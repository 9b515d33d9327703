#include "export/WorkbookWriter.h"

#include "export/BiffStream.h"
#include "export/CommentDrawing.h"
#include "export/CompoundFile.h"
#include "export/SharedStrings.h"
#include "export/SheetWriter.h"
#include "export/StyleTable.h"
#include "export/Workbook.h"

#include <QIODevice>

namespace {

void writeWindow1(BiffStream& out)
{
    out.begin(0x003D);
    out.u16(0);
    out.u16(0);
    out.u16(0x355C);
    out.u16(0x30ED);
    out.u16(0x0038); // horizontal and vertical scroll bars, sheet tabs
    out.u16(0);      // active sheet
    out.u16(0);      // first visible tab
    out.u16(1);      // selected tabs
    out.u16(600);    // tab bar ratio
    out.end();
}

// Print titles are the built-in name Print_Titles of the sheet: an area of
// whole rows, through the workbook's reference to itself.
void writePrintTitles(BiffStream& out, int firstRow, int lastRow)
{
    out.begin(0x01AE); // SUPBOOK: this workbook, one sheet
    out.u16(1);
    out.u16(0x0401);
    out.end();
    out.begin(0x0017); // EXTERNSHEET
    out.u16(1);
    out.u16(0);
    out.u16(0);
    out.u16(0);
    out.end();
    out.begin(0x0018); // NAME
    out.u16(0x0020);   // built-in
    out.u8(0);
    out.u8(1);         // name length
    out.u16(11);       // formula size
    out.u16(0);
    out.u16(1); // sheet 0 + 1
    out.zeros(4);
    out.u8(0);
    out.u8(0x07); // Print_Titles
    out.u8(0x3B); // tArea3d
    out.u16(0);   // EXTERNSHEET entry
    out.u16(std::uint16_t(firstRow));
    out.u16(std::uint16_t(lastRow));
    out.u16(0);
    out.u16(0x00FF);
    out.end();
}

std::uint32_t textCellCount(const Workbook& book)
{
    std::uint32_t count = 0;
    for (int r = 0; r < book.rowCount(); ++r)
        for (const Cell& c : book.row(r))
            count += c.kind == Cell::Text;
    return count;
}

} // namespace

bool WorkbookWriter::buildStream(const Workbook& book, QByteArray* stream)
{
    m_error.clear();
    const bool hasComment = book.comment().row >= 0;
    StyleTable styles;
    if (!styles.build(book, hasComment)) {
        m_error = styles.errorString();
        return false;
    }

    BiffStream out;
    out.reserve(book.rowCount() * book.columnCount() * 15 + 16384);
    out.bof(BiffStream::Globals);
    out.begin(0x0042); // CODEPAGE: UTF-16
    out.u16(1200);
    out.end();
    writeWindow1(out);
    styles.write(out);
    const int boundSheet = out.size();
    out.begin(0x0085);
    out.u32(0); // the sheet's BOF offset, filled in below
    out.u8(0);  // visible
    out.u8(0);  // worksheet
    out.shortUnicodeString(book.sheetName());
    out.end();
    out.begin(0x008C); // COUNTRY
    out.u16(1);
    out.u16(1);
    out.end();
    if (book.printTitleFirst() >= 0)
        writePrintTitles(out, book.printTitleFirst(), book.printTitleLast());
    if (hasComment)
        CommentDrawing::writeGroup(out);
    SharedStrings::write(out, book.texts(), textCellCount(book));
    out.emptyRecord(0x000A);

    out.patchU32(boundSheet + 4, std::uint32_t(out.size()));
    SheetWriter::write(out, book, styles);
    if (out.overlong()) {
        m_error = QStringLiteral("A record of the workbook is longer than the format allows");
        return false;
    }
    *stream = out.take();
    return true;
}

bool WorkbookWriter::write(const Workbook& book, QIODevice* device)
{
    QByteArray stream;
    if (!buildStream(book, &stream))
        return false;
    return CompoundFile::write(device, stream, &m_error);
}
