#pragma once
// Fonts and cell formats (XF records) of a workbook, from the model's
// formats: FONT records (four copies of the Normal font first, since index 4
// does not exist), the 16 XFs every workbook starts with (the Normal style,
// 14 outline styles, the default cell format), one cell XF per model format,
// and the Normal STYLE record.
//
// Colours must be in the default palette, which the file then needs no
// PALETTE record for; a colour outside it fails the build.

#include <QString>
#include <QVector>
#include <cstdint>

class BiffStream;
class Workbook;
struct CellFont;

class StyleTable {
  public:
    static constexpr std::uint16_t DefaultCellXf = 15;

    // withCommentFont adds Tahoma 8, the font of a comment's text.
    bool build(const Workbook& book, bool withCommentFont);
    QString errorString() const { return m_error; }
    void write(BiffStream& out) const;

    // The XF of a model format.
    std::uint16_t xf(std::uint16_t format) const { return std::uint16_t(DefaultCellXf + format); }
    std::uint16_t commentFont() const { return m_commentFont; }

    // Index of a colour number in the default palette, -1 when absent.
    static int paletteIndex(int colour);

  private:
    struct Font {
        QString name;
        int twips;
        bool bold;
        std::uint16_t colour;
    };
    bool colourIndex(int colour, std::uint16_t automatic, std::uint16_t* out);
    std::uint16_t fontIndex(const Font& font);

    QVector<Font> m_fonts; // index 4 skipped: record i >= 4 has index i + 1
    QVector<QByteArray> m_xfs;
    std::uint16_t m_commentFont = 0;
    QString m_error;
};
