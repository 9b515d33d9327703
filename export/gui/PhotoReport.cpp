#include "export/gui/PhotoReport.h"

#include "data/OrderColumns.h"
#include "data/OrderTable.h"
#include "export/ColumnFit.h"
#include "export/ReportColumns.h"
#include "export/ReportLayout.h"
#include "export/Workbook.h"
#include "export/XlsxWriter.h"
#include "export/gui/ExcelExport.h"
#include "lists/gui/SummaryCounters.h"
#include "photos/JpegDecoder.h"
#include "photos/PhotoPath.h"
#include "photos/PhotoPreview.h"
#include "photos/PhotoStore.h"
#include "ui/Dialogs.h"
#include "ui/StatusPanels.h"

#include <QDir>
#include <QLineEdit>

namespace {

constexpr int Silver = 12632256;
// The columns after the report's own: batch, received count, photo.
constexpr int BatchColumn = ReportColumns::Count;
constexpr int ReceivedColumn = BatchColumn + 1;
constexpr int PhotoColumn = BatchColumn + 2;
// A column's width in characters for a width in pixels (Arial 10's digit is 7 pixels, plus 5 of padding).
constexpr double PhotoColumnCharacters = (PhotoReport::ThumbnailSide + 4 - 5) / 7.0;
// The row's height in points for a thumbnail in pixels (96 pixels to the inch), with a little room.
constexpr double pointsFor(int pixels) {
    return pixels * 0.75 + 3;
}

struct Line {
    QString batch;
    QString photo;
};

} // namespace

PhotoReport::PhotoReport(OrderTable& table, Dialogs& dialogs, const StatusPanels& status,
                         SummaryCounters& counters, const QLineEdit* company, const QString& creditLine,
                         const QString& applicationDirectory, PhotoStore& photos)
    : m_table(table), m_dialogs(dialogs), m_status(status), m_counters(counters), m_company(company),
      m_creditLine(creditLine), m_directory(applicationDirectory), m_photos(photos) {}

void PhotoReport::run() {
    const QString path = m_directory + fileName();
    if (!ExcelExport::mayWrite(m_table, m_dialogs, m_directory, fileName(),
                               ExcelExport::inUseMessage(path).replace(ExcelExport::fileName(), fileName())))
        return;

    // The report's columns, then batch, received count and photo number.
    QVector<int> columns;
    Workbook book;
    book.setSheetName(QStringLiteral("Orders"));
    for (int c = 0; c < ReportColumns::Count; ++c) {
        columns.append(ReportColumns::All[c].field);
        book.setText(0, c, OrderColumns::name(ReportColumns::All[c].field));
    }
    columns << OrderColumns::Batch << OrderColumns::Polucbr << OrderColumns::Photo;
    QVector<Line> lines;
    ViewSums sums;
    const bool read =
        m_table.refreshLines(&sums, ExcelExport::MaxLines, columns, [&](int row, const QVariant* values) {
            ExcelExport::putValues(&book, row + 1, values, ReportColumns::Count + 2);
            lines.append({values[BatchColumn].toString(), values[PhotoColumn].toString()});
        });
    if (!read)
        return; // the table reported the engine's error
    m_counters.show(sums);
    if (sums.count > ExcelExport::MaxLines) {
        m_dialogs.error(ExcelExport::tooLargeMessage(int(sums.count), ExcelExport::MaxLines));
        return;
    }

    const QString field = m_table.sort().section(QLatin1Char(' '), 0, 0);
    const int sortColumn = ReportColumns::ofField(OrderColumns::indexOf(field));
    const ReportLayout::Texts texts{m_creditLine, m_company->text(), m_status.text(StatusPanels::Filter),
                                    m_status.text(StatusPanels::Pieces), m_status.text(StatusPanels::Money)};
    QString error;
    if (!ReportLayout::apply(book, texts, int(lines.size()), sortColumn, &error)) {
        m_dialogs.standardError(error);
        return;
    }
    const int header = ReportLayout::HeaderRow;
    const int lastRow = header + int(lines.size());
    book.setText(header, BatchColumn, QStringLiteral("Batch"));
    book.setText(header, ReceivedColumn, QStringLiteral("Received"));
    book.setText(header, PhotoColumn, QStringLiteral("Photo"));
    ColumnFit::fit(book, BatchColumn, ReceivedColumn);
    book.setColumnWidth(PhotoColumn, PhotoColumnCharacters);
    book.formatRange(header, BatchColumn, lastRow, PhotoColumn, [](CellFormat& f) {
        for (CellBorder& e : f.edges)
            e = {CellBorder::Thin, Silver};
    });
    book.setPrintArea({0, 0, lastRow, PhotoColumn});

    QVector<CellPicture> pictures;
    for (int i = 0; i < lines.size(); ++i) {
        if (lines[i].photo.isEmpty())
            continue;
        QString ignored; // a photo that cannot be read leaves an ordinary row
        const QByteArray preview =
            m_photos.previewFor(PhotoPath(m_directory, lines[i].batch, lines[i].photo));
        const QByteArray thumbnail =
            preview.isEmpty() ? QByteArray()
                              : PhotoPreview::makeWithin(preview, ThumbnailSide, ThumbnailQuality, &ignored);
        JpegDecoder size;
        if (thumbnail.isEmpty() || !size.decodeDataWithin(thumbnail, ThumbnailSide))
            continue;
        const int row = header + 1 + i;
        book.setRowHeight(row, pointsFor(size.sourceSize().height()));
        pictures.append({row, PhotoColumn, thumbnail, 1});
    }

    if (!XlsxWriter::write(book, pictures, path, &error)) {
        m_dialogs.standardError(
            QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), error));
        return;
    }
    if (!m_dialogs.openWithDesktop(path))
        m_dialogs.information(ExcelExport::notOpenedMessage(path));
}
