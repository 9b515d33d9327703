#include "lists/ListEntries.h"

#include "data/OrderColumns.h"
#include "lists/PickListTable.h"

namespace ListEntries {

int entryWidth(const QString& listName) {
    const PickListTable::List* list = PickListTable::find(listName);
    return list && list->isPickList() ? OrderColumns::at(list->column).width : 0;
}

bool entriesFit(const QString& listName, const QStringList& entries, QString* tooLong) {
    const int width = entryWidth(listName);
    if (width <= 0)
        return true;
    // Measured as the column cuts a value, in UTF-16 units.
    QStringList named;
    // An entry far too long (a pasted text, a binary file read as a list) is
    // named by what the column would keep and its length: the box must stay
    // readable and quick to lay out.
    constexpr int LongestNamed = 100;
    for (const QString& entry : entries) {
        if (entry.size() > LongestNamed)
            named << QStringLiteral("%1... (%2 characters)").arg(entry.left(width)).arg(entry.size());
        else if (entry.size() > width)
            named << entry;
    }
    if (named.isEmpty())
        return true;
    *tooLong = QStringLiteral("%1 (at most %2 characters): %3")
                   .arg(listName)
                   .arg(width)
                   .arg(namedAtMost(named).join(QLatin1String(", ")));
    return false;
}

QStringList namedAtMost(QStringList named) {
    // A list full of them must not make a box taller than the screen.
    constexpr int MaxNamed = 10;
    const qsizetype more = named.size() - MaxNamed;
    if (more > 0) {
        named.erase(named.begin() + MaxNamed, named.end());
        named << QStringLiteral("and %1 more").arg(more);
    }
    return named;
}

QString longEntriesMessage(const QStringList& lines, const QString& advice) {
    return QStringLiteral(
               "These entries are longer than their column holds and would be stored cut:\r\n%1\r\n%2")
        .arg(lines.join(QLatin1String("\r\n")), advice);
}

} // namespace ListEntries
