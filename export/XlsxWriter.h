#pragma once
// Writes a Workbook (the report as ExcelExport lays it out) as an .xlsx file
// through libxlsxwriter, with pictures anchored in cells: the same cells,
// formats, widths, heights, comment, frozen rows, print titles, print area
// and page setup that WorkbookWriter writes into Orders.xls.
//
// The file is written beside path under a temporary name and renamed over it
// only once complete, so a failure leaves the file that was there.

#include "export/Workbook.h"

#include <QByteArray>
#include <QString>
#include <QVector>

struct CellPicture {
    int row = 0;
    int column = 0;
    QByteArray jpeg;
    double scale = 1; // of the picture's pixels
};

namespace XlsxWriter {

bool write(const Workbook& book, const QVector<CellPicture>& pictures, const QString& path, QString* error);

} // namespace XlsxWriter
