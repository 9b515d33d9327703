#pragma once
// An in-memory workbook of one sheet, as much of a spreadsheet as the report
// needs: text and number cells, cell formats (font, fill, borders, number
// format), column widths, row heights, one comment, frozen rows, print title
// rows and the page setup. WorkbookWriter turns it into a file.
//
// Colours are the spreadsheet's colour numbers, red + 256 x green + 65536 x
// blue. Rows and columns count from 0 (row 0 is the sheet's row 1, column 0
// is A). Texts are interned once, and formats too: a cell holds two small
// indexes and a number, so a full sheet of 65,536 rows stays compact.

#include <QHash>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

struct CellFont {
    QString name = QStringLiteral("Arial");
    int points = 10;
    bool bold = false;
    int colour = -1; // -1: automatic

    friend bool operator==(const CellFont& a, const CellFont& b) {
        return a.name == b.name && a.points == b.points && a.bold == b.bold && a.colour == b.colour;
    }
};

struct CellBorder {
    enum Style { None = 0, Thin = 1 };
    int style = None;
    int colour = -1; // -1: automatic

    friend bool operator==(const CellBorder& a, const CellBorder& b) {
        return a.style == b.style && a.colour == b.colour;
    }
};

struct CellFormat {
    enum Edge { Left, Right, Top, Bottom, EdgeCount };
    CellFont font;
    int fill = -1; // solid fill colour, -1: none
    CellBorder edges[EdgeCount];
    QString numberFormat = QStringLiteral("General");

    friend bool operator==(const CellFormat& a, const CellFormat& b) {
        for (int e = 0; e < EdgeCount; ++e)
            if (!(a.edges[e] == b.edges[e]))
                return false;
        return a.font == b.font && a.fill == b.fill && a.numberFormat == b.numberFormat;
    }
};

struct Cell {
    enum Kind : std::uint8_t { Empty, Number, Text };
    Kind kind = Empty;
    std::uint16_t format = 0; // index into Workbook::formats(); 0 is the default
    std::uint32_t text = 0;   // index into Workbook::texts() for Text
    double number = 0;
};

struct CellComment {
    int row = -1; // -1: no comment
    int column = -1;
    QString text;
    QString author;
};

struct PageSetup {
    bool blackAndWhite = false;
    bool portrait = true;
    // Margins in points.
    double left = 54, right = 54, top = 72, bottom = 72, header = 21.6, footer = 21.6;
    // 0: printed at full size; n: scaled down, when wider, to n pages across,
    // any number of pages down.
    int fitPagesWide = 0;
};

// A rectangle of cells; firstRow -1: none.
struct CellRange {
    int firstRow = -1;
    int firstColumn = -1;
    int lastRow = -1;
    int lastColumn = -1;
};

class Workbook {
  public:
    static constexpr int MaxRows = 65536;
    static constexpr int MaxColumns = 256;
    static constexpr int MaxTextLength = 32767;

    Workbook();

    QString sheetName() const { return m_sheetName; }
    void setSheetName(const QString& name) { m_sheetName = name; }

    // --- cells -----------------------------------------------------------------
    int rowCount() const { return int(m_rows.size()); } // rows up to the last one used
    int columnCount() const { return m_columns; }
    const std::vector<Cell>& row(int r) const { return m_rows[size_t(r)]; }
    const Cell& cell(int row, int column) const;
    // Texts longer than MaxTextLength are cut to it.
    void setText(int row, int column, const QString& text);
    void setNumber(int row, int column, double value);
    // Rows at and below `at` move down by count; formats, heights and the
    // comment move with their cells.
    void insertRows(int at, int count);
    void reserveRows(int count) { m_rows.reserve(size_t(count)); }

    // --- formats -----------------------------------------------------------------
    const std::vector<CellFormat>& formats() const { return m_formats; }
    const QVector<QString>& texts() const { return m_texts; }
    // Applies change to the format of every cell of the rectangle, cells
    // without a value included (they keep the format, as in a spreadsheet).
    void formatRange(int firstRow, int firstColumn, int lastRow, int lastColumn,
                     const std::function<void(CellFormat&)>& change);

    // --- sheet settings -----------------------------------------------------------
    // Width in characters of the Normal font's digit; absent: the default width.
    void setColumnWidth(int column, double characters) { m_widths[column] = characters; }
    const std::map<int, double>& columnWidths() const { return m_widths; }
    void setRowHeight(int row, double points) { m_heights[row] = points; }
    const std::map<int, double>& rowHeights() const { return m_heights; }
    void setComment(const CellComment& comment) { m_comment = comment; }
    const CellComment& comment() const { return m_comment; }
    void setFrozenRows(int rows) { m_frozenRows = rows; }
    int frozenRows() const { return m_frozenRows; }
    // Rows repeated at the top of every printed page; -1: none.
    void setPrintTitleRows(int first, int last) {
        m_titleFirst = first;
        m_titleLast = last;
    }
    int printTitleFirst() const { return m_titleFirst; }
    int printTitleLast() const { return m_titleLast; }
    // The part of the sheet that prints; none: every used cell and whatever
    // their texts run into.
    void setPrintArea(const CellRange& area) { m_printArea = area; }
    const CellRange& printArea() const { return m_printArea; }
    PageSetup& pageSetup() { return m_page; }
    const PageSetup& pageSetup() const { return m_page; }

  private:
    Cell& touch(int row, int column);
    std::uint16_t internFormat(const CellFormat& format);

    QString m_sheetName = QStringLiteral("Sheet1");
    std::vector<std::vector<Cell>> m_rows;
    int m_columns = 0;
    std::vector<CellFormat> m_formats;
    QVector<QString> m_texts;
    QHash<QString, std::uint32_t> m_textIndex;
    QHash<const QChar*, std::uint32_t> m_textByData; // characters of a held text -> its index
    std::map<int, double> m_widths;
    std::map<int, double> m_heights;
    CellComment m_comment;
    int m_frozenRows = 0;
    int m_titleFirst = -1;
    int m_titleLast = -1;
    CellRange m_printArea;
    PageSetup m_page;
};
