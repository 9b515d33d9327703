#include "export/CommentDrawing.h"

#include "export/BiffStream.h"
#include "export/Workbook.h"

#include <algorithm>

namespace {

constexpr std::uint16_t MsoDrawingGroup = 0x00EB;
constexpr std::uint16_t MsoDrawing = 0x00EC;
constexpr std::uint16_t Obj = 0x005D;
constexpr std::uint16_t Txo = 0x01B6;
constexpr std::uint16_t Continue = 0x003C;
constexpr std::uint16_t Note = 0x001C;

constexpr std::uint32_t PatriarchId = 1024; // drawing 1 owns shape ids 1024-2047
constexpr std::uint32_t CommentShapeId = 1025;
constexpr std::uint16_t ObjectId = 1;

// OfficeArt record header: version and instance, type, length.
void art(BiffStream& out, std::uint16_t version, std::uint16_t instance, std::uint16_t type,
         std::uint32_t length) {
    out.u16(std::uint16_t((instance << 4) | version));
    out.u16(type);
    out.u32(length);
}

void property(BiffStream& out, std::uint16_t id, std::uint32_t value) {
    out.u16(id);
    out.u32(value);
}

// The sheet's drawing: the patriarch group and the comment's text box
// shape, anchored beside its cell. The box's client text record comes after
// the OBJ record (writeTextBoxEnd) but is counted here.
void writeShape(BiffStream& out, const CellComment& comment) {
    // Lengths of the shape containers, the text box record included.
    constexpr std::uint32_t TextBox = 8;
    constexpr std::uint32_t CommentShape = 16 + (8 + 9 * 6) + (8 + 18) + 8 + TextBox;
    constexpr std::uint32_t Patriarch = (8 + 16) + (8 + 8);
    constexpr std::uint32_t Group = (8 + Patriarch) + (8 + CommentShape);
    constexpr std::uint32_t Drawing = (8 + 8) + (8 + Group);

    out.begin(MsoDrawing);
    art(out, 0xF, 0, 0xF002, Drawing);
    art(out, 0, 1, 0xF008, 8);
    out.u32(2); // shapes
    out.u32(CommentShapeId);
    art(out, 0xF, 0, 0xF003, Group);
    art(out, 0xF, 0, 0xF004, Patriarch);
    art(out, 1, 0, 0xF009, 16);
    out.zeros(16);
    art(out, 2, 0, 0xF00A, 8);
    out.u32(PatriarchId);
    out.u32(0x0005); // group, patriarch
    art(out, 0xF, 0, 0xF004, CommentShape);
    art(out, 2, 202, 0xF00A, 8); // text box shape
    out.u32(CommentShapeId);
    out.u32(0x0A00); // has anchor, has shape type
    art(out, 3, 9, 0xF00B, 9 * 6);
    property(out, 0x0080, 0);          // text id
    property(out, 0x00BF, 0x00080008); // text flags
    property(out, 0x0158, 0);
    property(out, 0x0181, 0x08000050); // fill: tooltip colour
    property(out, 0x0183, 0x08000050);
    property(out, 0x01BF, 0x00110010);
    property(out, 0x0201, 0); // shadow colour
    property(out, 0x023F, 0x00030003);
    property(out, 0x03BF, 0x000A0002); // hidden until the cell is pointed at
    art(out, 0, 0, 0xF010, 18);        // anchor: beside the cell, four rows high
    out.u16(3);
    out.u16(std::uint16_t(comment.column + 1));
    out.u16(15);
    out.u16(std::uint16_t(std::max(comment.row - 1, 0)));
    out.u16(10);
    out.u16(std::uint16_t(comment.column + 3));
    out.u16(15);
    out.u16(std::uint16_t(comment.row + 3));
    out.u16(16);
    art(out, 0, 0, 0xF011, 0);
    out.end();
}

// The OBJ record of the comment.
void writeObject(BiffStream& out) {
    out.begin(Obj);
    out.u16(0x0015); // common object data
    out.u16(18);
    out.u16(0x0019); // comment
    out.u16(ObjectId);
    out.u16(0x4011); // locked, print, autofill
    out.zeros(12);
    out.u16(0x000D); // note data
    out.u16(22);
    for (std::uint8_t b :
         {0x4E, 0x65, 0x6C, 0x76, 0x6F, 0x4F, 0x72, 0x64, 0x65, 0x72, 0x73, 0x2D, 0x78, 0x6C, 0x73, 0x31})
        out.u8(b); // a fixed GUID: the note is not shared
    out.u16(0);
    out.zeros(4);
    out.u32(0); // end
    out.end();
}

// The text box's client text record, in a drawing record of its own.
void writeTextBoxEnd(BiffStream& out) {
    out.begin(MsoDrawing);
    art(out, 0, 0, 0xF00D, 0);
    out.end();
}

// The TXO record, the text in CONTINUEs of at most one record each, and the
// formatting runs.
void writeText(BiffStream& out, const QString& text, std::uint16_t textFont) {
    const bool compressed = BiffStream::fitsCompressed(text);
    out.begin(Txo);
    out.u16(0x0212); // left, top, text locked
    out.u16(0);
    out.zeros(6);
    out.u16(std::uint16_t(text.size()));
    out.u16(16); // two formatting runs
    out.zeros(4);
    out.end();
    const int perRecord = (BiffStream::MaxData - 1) / (compressed ? 1 : 2);
    for (int done = 0; done < text.size(); done += perRecord) {
        out.begin(Continue);
        out.u8(compressed ? 0 : 1);
        out.characters(text, done, std::min(perRecord, int(text.size()) - done), compressed);
        out.end();
    }
    out.begin(Continue);
    out.u16(0);
    out.u16(textFont);
    out.zeros(4);
    out.u16(std::uint16_t(text.size()));
    out.u16(0);
    out.zeros(4);
    out.end();
}

// The NOTE record that ties the object to its cell.
void writeNote(BiffStream& out, const CellComment& comment) {
    out.begin(Note);
    out.u16(std::uint16_t(comment.row));
    out.u16(std::uint16_t(comment.column));
    out.u16(0); // shown only when pointed at
    out.u16(ObjectId);
    out.unicodeString(comment.author);
    out.u8(0);
    out.end();
}

} // namespace

namespace CommentDrawing {

void writeGroup(BiffStream& out) {
    out.begin(MsoDrawingGroup);
    art(out, 0xF, 0, 0xF000, 82);
    art(out, 0, 0, 0xF006, 24);  // one drawing, one cluster of shape ids
    out.u32(CommentShapeId + 1); // next free shape id
    out.u32(2);                  // clusters + 1
    out.u32(2);                  // shapes saved
    out.u32(1);                  // drawings saved
    out.u32(1);                  // cluster: drawing 1,
    out.u32(2);                  // next shape number in it
    art(out, 3, 3, 0xF00B, 18);  // default properties
    property(out, 0x00BF, 0x00080008);
    property(out, 0x0181, 0x08000041);
    property(out, 0x01C0, 0x08000040);
    art(out, 0, 4, 0xF11E, 16); // split menu colours
    out.u32(0x0800000D);
    out.u32(0x0800000C);
    out.u32(0x08000017);
    out.u32(0x100000F7);
    out.end();
}

void writeSheet(BiffStream& out, const CellComment& comment, std::uint16_t textFont) {
    writeShape(out, comment);
    writeObject(out);
    writeTextBoxEnd(out);
    writeText(out, comment.text, textFont);
    writeNote(out, comment);
}

} // namespace CommentDrawing
