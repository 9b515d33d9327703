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

void writeWindow1(BiffStream& out) {
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

// The sheet's built-in names, Print_Area and Print_Titles: areas of the sheet
// reached through the workbook's reference to itself.
void writeSelfReference(BiffStream& out) {
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
}

void writeBuiltInName(BiffStream& out, std::uint8_t code, const CellRange& area) {
    out.begin(0x0018); // NAME
    out.u16(0x0020);   // built-in
    out.u8(0);
    out.u8(1);   // name length
    out.u16(11); // formula size
    out.u16(0);
    out.u16(1); // sheet 0 + 1
    out.zeros(4);
    out.u8(0);
    out.u8(code);
    out.u8(0x3B); // tArea3d
    out.u16(0);   // EXTERNSHEET entry
    out.u16(std::uint16_t(area.firstRow));
    out.u16(std::uint16_t(area.lastRow));
    out.u16(std::uint16_t(area.firstColumn));
    out.u16(std::uint16_t(area.lastColumn));
    out.end();
}

void writeNames(BiffStream& out, const Workbook& book) {
    const CellRange& area = book.printArea();
    const bool titles = book.printTitleFirst() >= 0;
    if (area.firstRow < 0 && !titles)
        return;
    writeSelfReference(out);
    if (area.firstRow >= 0)
        writeBuiltInName(out, 0x06, area);
    if (titles) // whole rows: every column
        writeBuiltInName(out, 0x07,
                         {book.printTitleFirst(), 0, book.printTitleLast(), Workbook::MaxColumns - 1});
}

std::uint32_t textCellCount(const Workbook& book) {
    std::uint32_t count = 0;
    for (int r = 0; r < book.rowCount(); ++r)
        for (const Cell& c : book.row(r))
            count += c.kind == Cell::Text;
    return count;
}

} // namespace

bool WorkbookWriter::write(const Workbook& book, QIODevice* device) {
    m_error.clear();
    const bool hasComment = book.comment().row >= 0;
    StyleTable styles;
    if (!styles.build(book, hasComment)) {
        m_error = styles.errorString();
        return false;
    }

    BiffStream globals;
    globals.bof(BiffStream::Globals);
    globals.begin(0x0042); // CODEPAGE: UTF-16
    globals.u16(1200);
    globals.end();
    writeWindow1(globals);
    styles.write(globals);
    const int boundSheet = globals.size();
    globals.begin(0x0085);
    globals.u32(0); // the sheet's BOF offset, filled in below
    globals.u8(0);  // visible
    globals.u8(0);  // worksheet
    globals.shortUnicodeString(book.sheetName());
    globals.end();
    globals.begin(0x008C); // COUNTRY
    globals.u16(1);
    globals.u16(1);
    globals.end();
    writeNames(globals, book);
    if (hasComment)
        CommentDrawing::writeGroup(globals);
    SharedStrings::write(globals, book.texts(), textCellCount(book));
    globals.emptyRecord(0x000A);
    globals.patchU32(boundSheet + 4, std::uint32_t(globals.size()));

    // The sheet goes to the device as it is made, so a large one is never
    // held twice, as cells and as bytes.
    if (!CompoundFile::begin(device, &m_error))
        return false;
    if (device->write(globals.bytes()) != globals.size()) {
        m_error = device->errorString();
        return false;
    }
    BiffStream sheet;
    sheet.setSink(device, globals.size());
    SheetWriter::write(sheet, book, styles);
    if (!sheet.flush()) {
        m_error = sheet.sinkError();
        return false;
    }
    if (globals.overlong() || sheet.overlong()) {
        m_error = QStringLiteral("A record of the workbook is longer than the format allows");
        return false;
    }
    return CompoundFile::finish(device, sheet.size(), &m_error);
}
