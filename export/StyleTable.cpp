#include "export/StyleTable.h"

#include "export/BiffStream.h"
#include "export/Workbook.h"

namespace {

constexpr std::uint16_t FontRecord = 0x0031;
constexpr std::uint16_t XfRecord = 0x00E0;
constexpr std::uint16_t StyleRecord = 0x0293;
constexpr std::uint16_t AutomaticFont = 0x7FFF;
constexpr std::uint16_t AutomaticBorder = 0x40;
constexpr std::uint16_t SystemBackground = 0x41;

// The default palette, indexes 8 to 63, as RRGGBB.
constexpr std::uint32_t Palette[56] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000,
    0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF,
    0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000,
    0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, 0x003366, 0x339966,
    0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};

QByteArray styleXf(bool normal) {
    BiffStream x;
    x.u16(0);      // font
    x.u16(0);      // General
    x.u16(0xFFF5); // locked, style XF, no parent
    x.u8(0x20);    // bottom aligned
    x.zeros(2);
    x.u8(normal ? 0x00 : 0xF4); // outline styles take only the font from Normal
    x.zeros(8);
    x.u16(std::uint16_t(AutomaticBorder | (SystemBackground << 7)));
    return x.bytes();
}

} // namespace

int StyleTable::paletteIndex(int colour) {
    // The model's colour number is red + 256 green + 65536 blue.
    const std::uint32_t rgb = ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
    for (int i = 0; i < 56; ++i)
        if (Palette[i] == rgb && colour >= 0 && colour <= 0xFFFFFF)
            return i + 8;
    return -1;
}

bool StyleTable::colourIndex(int colour, std::uint16_t automatic, std::uint16_t* out) {
    if (colour < 0) {
        *out = automatic;
        return true;
    }
    const int index = paletteIndex(colour);
    if (index < 0) {
        m_error = QStringLiteral("The colour %1 is not in the workbook's palette").arg(colour);
        return false;
    }
    *out = std::uint16_t(index);
    return true;
}

std::uint16_t StyleTable::fontIndex(const Font& font) {
    for (int i = 0; i < m_fonts.size(); ++i) {
        const Font& f = m_fonts[i];
        if (f.name == font.name && f.twips == font.twips && f.bold == font.bold && f.colour == font.colour)
            return std::uint16_t(i < 4 ? 0 : i + 1);
    }
    m_fonts.append(font);
    return std::uint16_t(m_fonts.size() - 1 + 1);
}

bool StyleTable::build(const Workbook& book, bool withCommentFont) {
    m_fonts.clear();
    m_xfs.clear();
    m_error.clear();
    const Font normal{QStringLiteral("Arial"), 200, false, AutomaticFont};
    m_fonts = {normal, normal, normal, normal};
    if (withCommentFont)
        m_commentFont = fontIndex({QStringLiteral("Tahoma"), 160, false, AutomaticFont});

    m_xfs.append(styleXf(true));
    for (int i = 1; i < 15; ++i)
        m_xfs.append(styleXf(false));
    for (const CellFormat& format : book.formats()) {
        if (format.numberFormat != QLatin1String("General")) {
            m_error = QStringLiteral("The number format \"%1\" is not supported").arg(format.numberFormat);
            return false;
        }
        std::uint16_t fontColour, fill = 0, edgeColour[CellFormat::EdgeCount];
        if (!colourIndex(format.font.colour, AutomaticFont, &fontColour))
            return false;
        if (format.fill >= 0 && !colourIndex(format.fill, 0, &fill))
            return false;
        std::uint32_t styles = 0;
        for (int e = 0; e < CellFormat::EdgeCount; ++e) {
            const CellBorder& edge = format.edges[e];
            edgeColour[e] = 0;
            if (edge.style == CellBorder::None)
                continue;
            if (!colourIndex(edge.colour, AutomaticBorder, &edgeColour[e]))
                return false;
            styles |= std::uint32_t(edge.style & 0xF) << (4 * e);
        }
        const std::uint16_t font =
            fontIndex({format.font.name, format.font.points * 20, format.font.bold, fontColour});

        BiffStream x;
        x.u16(font);
        x.u16(0);      // General
        x.u16(0x0001); // locked cell XF, parent Normal
        x.u8(0x20);
        x.zeros(2);
        x.u8(0xF8); // font, alignment, borders, fill and protection set here
        x.u32(styles | (std::uint32_t(edgeColour[CellFormat::Left]) << 16) |
              (std::uint32_t(edgeColour[CellFormat::Right]) << 23));
        x.u32(std::uint32_t(edgeColour[CellFormat::Top]) |
              (std::uint32_t(edgeColour[CellFormat::Bottom]) << 7) | (format.fill >= 0 ? 1u << 26 : 0u));
        x.u16(format.fill >= 0 ? std::uint16_t(fill | (AutomaticBorder << 7))
                               : std::uint16_t(AutomaticBorder | (SystemBackground << 7)));
        m_xfs.append(x.bytes());
    }
    if (m_xfs.size() > 4000) {
        m_error = QStringLiteral("Too many cell formats");
        return false;
    }
    return true;
}

void StyleTable::write(BiffStream& out) const {
    for (const Font& f : m_fonts) {
        out.begin(FontRecord);
        out.u16(std::uint16_t(f.twips));
        out.u16(0);
        out.u16(f.colour);
        out.u16(f.bold ? 700 : 400);
        out.zeros(6);
        out.shortUnicodeString(f.name);
        out.end();
    }
    for (const QByteArray& xf : m_xfs)
        out.record(XfRecord, xf);
    out.begin(StyleRecord);
    out.u16(0x8000); // XF 0, built-in
    out.u8(0);       // Normal
    out.u8(0xFF);
    out.end();
}
