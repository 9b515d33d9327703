#pragma once
// Advance widths of the report's cell font, Arial, in 1/1000 em, as a
// spreadsheet lays the text out: from the installed Arial or its metric twin
// Liberation Sans (same advances, glyph for glyph). Without either, and
// without a GUI application to ask for fonts, from Arial's own widths of the
// printable ASCII letters and the Cyrillic block; other characters then count
// as an em, wide enough for any letter of another script.

namespace ArialWidths {

double advance(char32_t codePoint, bool bold);

} // namespace ArialWidths
