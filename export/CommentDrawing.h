#pragma once
// A cell comment, which the format keeps as a drawing: a text box shape in
// the sheet's drawing, tied to its cell by an OBJ and a NOTE record, with the
// text in a TXO record and its CONTINUEs. The workbook's drawing group record
// declares the one drawing and its shape ids.
//
// OfficeArt container lengths count the bytes of their children even where a
// child lies in a later MSODRAWING record (the comment's text box record
// follows the OBJ record), so lengths are computed, not summed per record.

#include <cstdint>

class BiffStream;
struct CellComment;

namespace CommentDrawing {

// MSODRAWINGGROUP, in the globals.
void writeGroup(BiffStream& out);
// MSODRAWING, OBJ, MSODRAWING, TXO, CONTINUEs and NOTE, after the last cell.
void writeSheet(BiffStream& out, const CellComment& comment, std::uint16_t textFont);

} // namespace CommentDrawing
