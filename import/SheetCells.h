#pragma once
// What a spreadsheet reader hands over: the sheets of a workbook, each a list
// of rows of cells, a cell empty, a text or a number, as the file holds it.
// Nothing here knows the register; the readers only read. Every file read is
// untrusted, so the readers stop at the limits below and say why, naming the
// file: a shop's sheet fits well inside them.

#include <QString>
#include <QVector>

struct SheetCell {
    enum class Kind : quint8 { Empty, Text, Number };
    Kind kind = Kind::Empty;
    double number = 0;
    QString text;

    static SheetCell fromText(const QString& text) {
        SheetCell cell;
        if (!text.isEmpty()) {
            cell.kind = Kind::Text;
            cell.text = text;
        }
        return cell;
    }
    static SheetCell fromNumber(double number) {
        SheetCell cell;
        cell.kind = Kind::Number;
        cell.number = number;
        return cell;
    }
    bool isEmpty() const { return kind == Kind::Empty || (kind == Kind::Text && text.trimmed().isEmpty()); }
    // The text, or the number in its shortest exact form ("12.5", "42").
    QString shown() const;
};

using SheetRow = QVector<SheetCell>;

struct Sheet {
    QString name;
    QVector<SheetRow> rows; // row i is the sheet's row i + 1; trailing empty cells left out
};

struct Workbook {
    QVector<Sheet> sheets;
    bool date1904 = false; // day numbers count from 1904-01-01 (old Mac workbooks)
};

namespace SheetLimits {
// The rows of the largest sheet the spreadsheet programs make.
constexpr qint64 MaxRows = 1048576;
constexpr qint64 MaxColumns = 16384;
// Cells that hold something, over all sheets: bounds the memory a workbook
// takes (about 100 bytes a cell), far above years of a shop's lines.
constexpr qint64 MaxCells = 5'000'000;
// What is read of a file, and of the XML inside a zipped workbook.
constexpr qint64 MaxBytes = 100 * 1024 * 1024;
constexpr qint64 MaxZipEntries = 10000;
} // namespace SheetLimits

// Counts what a reader keeps against the limits above; a reader stops at the
// first limit passed and reports why.
class SheetBudget {
  public:
    // False, with the reason set, once the row or column is beyond the limits.
    bool place(qint64 row, qint64 column, QString* reason);
    bool addCell(QString* reason);

  private:
    qint64 m_cells = 0;
};
