#include "import/ColumnMatch.h"

#include "data/OrderColumns.h"

#include <QSet>
#include <algorithm>

namespace ColumnMatch {

namespace {

constexpr int RowsLookedAt = 50;

QString normalized(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (!c.isSpace())
            out += c.toLower();
    return out;
}

QStringList namesList(int column) {
    const ColumnDef& def = OrderColumns::at(column);
    QStringList names{QString::fromUtf8(def.title), QString::fromUtf8(def.caption),
                      QString::fromUtf8(def.hint), QString::fromLatin1(def.name)};
    names.removeAll(QString());
    names.removeDuplicates();
    return names;
}

} // namespace

int columnFor(const QString& header) {
    static const QHash<QString, int> byName = [] {
        QHash<QString, int> names;
        for (int column = 0; column < OrderColumns::Count; ++column)
            for (const QString& name : namesList(column))
                names.insert(normalized(name), column);
        return names;
    }();
    return byName.value(normalized(header), -1);
}

QString namesOf(int column) {
    return namesList(column).join(QStringLiteral(" / "));
}

QVector<int> mapHeader(const SheetRow& header) {
    QVector<int> columns;
    QSet<int> taken;
    for (const SheetCell& cell : header) {
        int column = cell.kind == SheetCell::Kind::Text ? columnFor(cell.text) : -1;
        if (taken.contains(column))
            column = -1;
        taken.insert(column);
        columns << column;
    }
    return columns;
}

int findHeaderRow(const Sheet& sheet) {
    const int rows = int(std::min<qsizetype>(sheet.rows.size(), RowsLookedAt));
    for (int row = 0; row < rows; ++row) {
        const QVector<int> columns = mapHeader(sheet.rows[row]);
        if (columns.size() - columns.count(-1) >= 2)
            return row;
    }
    return -1;
}

} // namespace ColumnMatch
