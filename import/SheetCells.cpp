#include "import/SheetCells.h"

#include <QLocale>
#include <cmath>

QString SheetCell::shown() const {
    if (kind != Kind::Number)
        return text;
    // Whole numbers as their digits, not "3e+09".
    if (number == std::floor(number) && std::fabs(number) < 1e15)
        return QString::number(qint64(number));
    return QString::number(number, 'g', QLocale::FloatingPointShortest);
}

bool SheetBudget::place(qint64 row, qint64 column, QString* reason) {
    if (row >= SheetLimits::MaxRows) {
        *reason = QStringLiteral("it has more than %1 rows").arg(SheetLimits::MaxRows);
        return false;
    }
    if (column >= SheetLimits::MaxColumns) {
        *reason = QStringLiteral("it has more than %1 columns").arg(SheetLimits::MaxColumns);
        return false;
    }
    return true;
}

bool SheetBudget::addCell(QString* reason) {
    if (++m_cells > SheetLimits::MaxCells) {
        *reason = QStringLiteral("it holds more than %1 cells").arg(SheetLimits::MaxCells);
        return false;
    }
    return true;
}
