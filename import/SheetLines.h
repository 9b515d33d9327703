#pragma once
// The rows of a sheet below its header turned into order lines, value by
// value as the register stores them, each through the rules a typed line
// passes: supplier and article given, a non-zero price and ordered count,
// whole counts, texts that fit their column (refused, never cut), money in
// exact ten-thousandths, dates from text or the sheet's day numbers. The
// received count and the money are derived as the form derives them; where
// the sheet's own money differs from price x received, the line is listed so
// that the user chooses which is kept. Empty rows are passed over.

#include "data/Currency.h"
#include "import/SheetCells.h"

#include <QDate>
#include <QVariant>

struct SheetLineSettings {
    QVector<int> columnOf; // for each sheet column the register column, or -1
    int headerRow = -1;    // index of the header row; the lines follow it
    QString batch;         // for a line whose batch is empty (the batch chooser's)
    bool date1904 = false;
    QDate today; // the date of a line that has none
};

struct SheetLine {
    int sheetRow = 0;         // as the spreadsheet numbers it, from 1
    QVector<QVariant> values; // OrderColumns::Count, value form; key and photo unset
    bool moneyGiven = false;
    Currency sheetMoney;
};

struct RefusedRow {
    int sheetRow = 0;
    QString reason;
};

struct LineSums {
    qint64 lines = 0;
    qint64 pieces = 0; // received
    Currency money;
};

class SheetLines {
  public:
    static SheetLines read(const Sheet& sheet, const SheetLineSettings& settings);

    // Parses one cell for a register column into value form; false with the
    // reason.
    static bool parseCell(const SheetCell& cell, int column, bool date1904, QVariant* out, QString* reason);
    // A day number of the 1900 or the 1904 system, as a date.
    static QDate fromDayNumber(double day, bool date1904);

    QVector<SheetLine> lines;
    QVector<RefusedRow> refused;
    // Indexes into lines whose sheet money differs from the derived one.
    QVector<int> moneyDiffers;

    // Keeps the sheet's own money (true) or the derived one in the lines
    // that differ.
    void keepSheetMoney(bool sheets);
    LineSums sums() const;
    // "Row 7: ..." lines of the refusals, for the user to read, copy or save.
    QString refusedText() const;
    QString differingText() const;
};
