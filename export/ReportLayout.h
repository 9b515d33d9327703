#pragma once
// Turns the raw sheet (column names in row 1, the lines from row 2) into the
// report: six title rows above the table, the captions, the company name and
// the view's status texts in coloured cells, borders, widths that fit the
// table, the page setup for printing, the sort column marked, the title rows
// frozen. The steps run in the order a user would take them in a
// spreadsheet, so that, for instance, the widths fit the table only and not
// the long title texts above it.

#include "export/ReportColumns.h"

#include <QString>

class Workbook;

namespace ReportLayout {

constexpr int TitleRows = 6;
constexpr int HeaderRow = 6; // 0-based: the sheet's row 7
constexpr int Columns = ReportColumns::Count;

struct Texts {
    QString creditLine;
    QString company;
    QString supplier; // status texts as the status bar shows them
    QString pieces;
    QString money;
};

// lines: the number of lines below the column names. sortColumn: the table
// column of the sort field, -1 when it is none of them. Fails when the lines
// do not fit under the title rows.
bool apply(Workbook& book, const Texts& texts, int lines, int sortColumn, QString* error);

} // namespace ReportLayout
