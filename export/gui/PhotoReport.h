#pragma once
// Export with photos: the view as Orders-photos.xlsx in the application
// directory, then opened on the desktop. The same lines, filter, sort,
// title rows, totals and formats as Orders.xls (ExcelExport and
// ReportLayout lay it out), and three more columns: the batch, the received
// count (Orders.xls names only the ordered count, beside money computed from
// the received one) and the line's photo, its preview scaled down to a
// thumbnail of at most ThumbnailSide pixels, the row's height fitted to it;
// a line without a photo keeps an ordinary row. One A4 page wide, as
// Orders.xls.
//
// Thumbnails of 96 pixels at JPEG quality 80 are some 3 to 6 KB each, so a
// report of 1,000 lines with a photo on every line stays around 5 MB, and
// print at about 100 dots per inch in a cell of an inch.
//
// The report is refused while a spreadsheet program holds it, and written
// under a temporary name and renamed over the old one (XlsxWriter), so a
// failure leaves the previous report.

#include <QString>

class Dialogs;
class OrderTable;
class PhotoStore;
class QComboBox;
class QLineEdit;
class StatusPanels;
class SummaryCounters;

class PhotoReport {
  public:
    static constexpr int ThumbnailSide = 96;
    static constexpr int ThumbnailQuality = 80;
    static QString fileName() { return QStringLiteral("Orders-photos.xlsx"); }

    PhotoReport(OrderTable& table, Dialogs& dialogs, const StatusPanels& status, SummaryCounters& counters,
                const QLineEdit* company, const QString& creditLine, const QString& applicationDirectory,
                PhotoStore& photos);

    void run();

  private:
    OrderTable& m_table;
    Dialogs& m_dialogs;
    const StatusPanels& m_status;
    SummaryCounters& m_counters;
    const QLineEdit* m_company;
    QString m_creditLine;
    QString m_directory;
    PhotoStore& m_photos;
};
