#pragma once
// The report's table, columns A onwards: which column of the register each
// one shows, and its caption. The export query, the report layout, the sort
// marking, the tests and the benchmark all read this one list.

#include "data/OrderColumns.h"

#include <QString>
#include <QStringList>

#include <iterator>

namespace ReportColumns {

struct Column {
    OrderColumns::Index field;
    const char* caption;
};

inline constexpr Column All[] = {
    {OrderColumns::Dostavcik, "Supplier"}, {OrderColumns::Artikul, "Article"},
    {OrderColumns::Sastav, "Material"},    {OrderColumns::Cvet, "Color"},
    {OrderColumns::Razmeri, "Size"},       {OrderColumns::Pokupnacena, "Price"},
    {OrderColumns::Paracbr, "Quantity"},   {OrderColumns::Obsto, "Money"},
};

inline constexpr int Count = int(std::size(All));

// The report column that shows the register's column, or -1.
inline int ofField(int field) {
    for (int c = 0; c < Count; ++c)
        if (All[c].field == field)
            return c;
    return -1;
}

inline QStringList captions() {
    QStringList list;
    for (const Column& column : All)
        list << QString::fromLatin1(column.caption);
    return list;
}

// The spreadsheet's letter of a report column: A, B, ...
inline QString letter(int column) {
    return QString(QChar(u'A' + column));
}

} // namespace ReportColumns
