#include "import/XlsReader.h"

#include <QFile>
#include <freexl.h>
#include <memory>

namespace XlsReader {

namespace {

struct Closer {
    void operator()(const void* handle) const { freexl_close(handle); }
};
using Handle = std::unique_ptr<const void, Closer>;

QString openProblem(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("it cannot be opened");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("it needs more memory than there is");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_READ_ERROR:
    case FREEXL_CFBF_SEEK_ERROR:
    case FREEXL_CFBF_INVALID_SIGNATURE:
    case FREEXL_CFBF_INVALID_SECTOR_SIZE:
    case FREEXL_CFBF_EMPTY_FAT_CHAIN:
    case FREEXL_CFBF_ILLEGAL_FAT_ENTRY:
        return QStringLiteral("it is not an Excel 97-2003 workbook, or a damaged one");
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("it holds no Excel 97-2003 workbook (a newer one is read as .xlsx)");
    default:
        return QStringLiteral("it is damaged (error %1 of the .xls reader)").arg(code);
    }
}

SheetCell cellFrom(const FreeXL_CellValue& value) {
    switch (value.type) {
    case FREEXL_CELL_INT:
        return SheetCell::fromNumber(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return SheetCell::fromNumber(value.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return SheetCell::fromText(value.value.text_value ? QString::fromUtf8(value.value.text_value)
                                                          : QString());
    default:
        return {};
    }
}

bool readSheet(const void* handle, unsigned short index, SheetBudget& budget, Sheet* sheet, QString* reason) {
    const char* name = nullptr;
    if (freexl_get_worksheet_name(handle, index, &name) == FREEXL_OK && name)
        sheet->name = QString::fromUtf8(name);
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle, index) != FREEXL_OK ||
        freexl_worksheet_dimensions(handle, &rows, &columns) != FREEXL_OK) {
        *reason = QStringLiteral("its sheet %1 cannot be read").arg(index + 1);
        return false;
    }
    if (rows > 0 && !budget.place(rows - 1, columns > 0 ? columns - 1 : 0, reason))
        return false;
    for (unsigned int r = 0; r < rows; ++r) {
        SheetRow row;
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(handle, r, c, &value) != FREEXL_OK)
                break;
            const SheetCell cell = cellFrom(value);
            if (cell.kind == SheetCell::Kind::Empty)
                continue;
            if (!budget.addCell(reason))
                return false;
            row.resize(c);
            row << cell;
        }
        sheet->rows << row;
    }
    return true;
}

} // namespace

bool read(const QString& path, Workbook* out, QString* reason) {
    const void* raw = nullptr;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &raw);
    Handle handle(raw);
    if (opened != FREEXL_OK) {
        *reason = openProblem(opened);
        return false;
    }
    // libfreexl answers OK without a workbook when a sheet's declared size
    // is beyond what it will hold.
    if (!raw) {
        *reason = QStringLiteral("it is damaged (a sheet claims more cells than an .xls can hold)");
        return false;
    }
    unsigned int info = 0;
    if (freexl_get_info(raw, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
        *reason = QStringLiteral("it is password-protected");
        return false;
    }
    if (freexl_get_info(raw, FREEXL_BIFF_DATEMODE, &info) == FREEXL_OK)
        out->date1904 = info == FREEXL_BIFF_DATEMODE_1904;
    unsigned int sheets = 0;
    if (freexl_get_info(raw, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK) {
        *reason = QStringLiteral("its sheets cannot be counted");
        return false;
    }
    SheetBudget budget;
    for (unsigned int i = 0; i < sheets && i < 65535; ++i) {
        Sheet sheet;
        if (!readSheet(raw, static_cast<unsigned short>(i), budget, &sheet, reason))
            return false;
        out->sheets << sheet;
    }
    return true;
}

} // namespace XlsReader
