#pragma once
// The worksheet substream: print and page settings, column widths, the
// cells row by row, the comment's drawing, the window with its frozen rows.
// Text cells name their string by the model's text index, which is also the
// index in the shared string table.

#include <cstdint>

class BiffStream;
class StyleTable;
class Workbook;

namespace SheetWriter {

// Column width in 1/256 of the Normal font's digit, padding included, as the
// format stores it: Excel shows W characters for this value. Capped at the
// format's maximum of 255 characters.
std::uint16_t storedWidth(double characters);

void write(BiffStream& out, const Workbook& book, const StyleTable& styles);

} // namespace SheetWriter
