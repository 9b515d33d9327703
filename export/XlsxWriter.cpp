#include "export/XlsxWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <unordered_map>

namespace {

constexpr double PointsPerInch = 72;

// The spreadsheet's colour number (red + 256 x green + 65536 x blue) as
// libxlsxwriter's 0xRRGGBB.
lxw_color_t rgb(int colour) {
    return lxw_color_t(((colour & 0xff) << 16) | (colour & 0xff00) | ((colour >> 16) & 0xff));
}

lxw_format* formatOf(lxw_workbook* file, const CellFormat& f) {
    lxw_format* format = workbook_add_format(file);
    const QByteArray font = f.font.name.toUtf8();
    format_set_font_name(format, font.constData());
    format_set_font_size(format, f.font.points);
    if (f.font.bold)
        format_set_bold(format);
    if (f.font.colour >= 0)
        format_set_font_color(format, rgb(f.font.colour));
    if (f.fill >= 0) {
        format_set_pattern(format, LXW_PATTERN_SOLID);
        format_set_bg_color(format, rgb(f.fill));
    }
    using Setter = void (*)(lxw_format*, uint8_t);
    using ColourSetter = void (*)(lxw_format*, lxw_color_t);
    const Setter styles[] = {format_set_left, format_set_right, format_set_top, format_set_bottom};
    const ColourSetter colours[] = {format_set_left_color, format_set_right_color, format_set_top_color,
                                    format_set_bottom_color};
    for (int e = 0; e < CellFormat::EdgeCount; ++e) {
        if (f.edges[e].style == CellBorder::None)
            continue;
        styles[e](format, LXW_BORDER_THIN);
        if (f.edges[e].colour >= 0)
            colours[e](format, rgb(f.edges[e].colour));
    }
    const QByteArray number = f.numberFormat.toUtf8();
    format_set_num_format(format, number.constData());
    return format;
}

bool check(lxw_error status, QString* error) {
    if (status == LXW_NO_ERROR)
        return true;
    *error = QString::fromUtf8(lxw_strerror(status));
    return false;
}

bool writeCells(const Workbook& book, lxw_worksheet* sheet, const std::vector<lxw_format*>& formats,
                QString* error) {
    for (int r = 0; r < book.rowCount(); ++r) {
        const std::vector<Cell>& row = book.row(r);
        for (int c = 0; c < int(row.size()); ++c) {
            const Cell& cell = row[size_t(c)];
            lxw_format* format = cell.format == 0 ? nullptr : formats[cell.format];
            lxw_error status = LXW_NO_ERROR;
            if (cell.kind == Cell::Number)
                status = worksheet_write_number(sheet, lxw_row_t(r), lxw_col_t(c), cell.number, format);
            else if (cell.kind == Cell::Text)
                status = worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c),
                                                book.texts()[int(cell.text)].toUtf8().constData(), format);
            else if (format)
                status = worksheet_write_blank(sheet, lxw_row_t(r), lxw_col_t(c), format);
            if (!check(status, error))
                return false;
        }
    }
    return true;
}

void writeSheetSettings(const Workbook& book, lxw_worksheet* sheet) {
    for (const auto& [column, width] : book.columnWidths())
        worksheet_set_column(sheet, lxw_col_t(column), lxw_col_t(column), width, nullptr);
    for (const auto& [row, height] : book.rowHeights())
        worksheet_set_row(sheet, lxw_row_t(row), height, nullptr);
    const CellComment& comment = book.comment();
    if (comment.row >= 0) {
        const QByteArray author = comment.author.toUtf8();
        lxw_comment_options options = {};
        options.author = const_cast<char*>(author.constData());
        worksheet_write_comment_opt(sheet, lxw_row_t(comment.row), lxw_col_t(comment.column),
                                    comment.text.toUtf8().constData(), &options);
    }
    if (book.frozenRows() > 0)
        worksheet_freeze_panes(sheet, lxw_row_t(book.frozenRows()), 0);
    if (book.printTitleFirst() >= 0)
        worksheet_repeat_rows(sheet, lxw_row_t(book.printTitleFirst()), lxw_row_t(book.printTitleLast()));
    const CellRange& area = book.printArea();
    if (area.firstRow >= 0)
        worksheet_print_area(sheet, lxw_row_t(area.firstRow), lxw_col_t(area.firstColumn),
                             lxw_row_t(area.lastRow), lxw_col_t(area.lastColumn));
    const PageSetup& page = book.pageSetup();
    page.portrait ? worksheet_set_portrait(sheet) : worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, 9); // A4
    worksheet_set_margins(sheet, page.left / PointsPerInch, page.right / PointsPerInch,
                          page.top / PointsPerInch, page.bottom / PointsPerInch);
    if (page.fitPagesWide > 0)
        worksheet_fit_to_pages(sheet, uint16_t(page.fitPagesWide), 0);
}

} // namespace

namespace XlsxWriter {

bool write(const Workbook& book, const QVector<CellPicture>& pictures, const QString& path, QString* error) {
    // A name of its own beside the report, taken now so that no other file is written over.
    QTemporaryFile temporary(path + QStringLiteral(".XXXXXX"));
    if (!temporary.open()) {
        *error = temporary.errorString();
        return false;
    }
    const QByteArray temporaryName = QFile::encodeName(temporary.fileName());
    lxw_workbook_options options = {};
    options.constant_memory = LXW_FALSE; // pictures and cells are written in any order
    lxw_workbook* file = workbook_new_opt(temporaryName.constData(), &options);
    if (!file) {
        *error = QStringLiteral("Cannot start the workbook");
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(file, book.sheetName().toUtf8().constData());
    std::vector<lxw_format*> formats;
    for (const CellFormat& format : book.formats())
        formats.push_back(formatOf(file, format));
    bool ok = sheet && writeCells(book, sheet, formats, error);
    if (ok)
        writeSheetSettings(book, sheet);
    for (int i = 0; ok && i < pictures.size(); ++i) {
        const CellPicture& picture = pictures[i];
        lxw_image_options placing = {};
        placing.x_scale = picture.scale;
        placing.y_scale = picture.scale;
        placing.x_offset = 2;
        placing.y_offset = 2;
        placing.object_position = LXW_OBJECT_MOVE_AND_SIZE;
        ok = check(worksheet_insert_image_buffer_opt(
                       sheet, lxw_row_t(picture.row), lxw_col_t(picture.column),
                       reinterpret_cast<const unsigned char*>(picture.jpeg.constData()),
                       size_t(picture.jpeg.size()), &placing),
                   error);
    }
    const lxw_error closed = workbook_close(file); // frees the workbook on every path
    if (!ok)
        return false;
    if (!check(closed, error))
        return false;
    // The finished file takes the report's place in one step.
    if (std::rename(temporaryName.constData(), QFile::encodeName(path).constData()) != 0) {
        *error = QStringLiteral("Cannot rename the finished report over \"%1\": %2")
                     .arg(path, qt_error_string(errno));
        return false;
    }
    temporary.setAutoRemove(false);
    return true;
}

} // namespace XlsxWriter
