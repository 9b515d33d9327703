#pragma once
// The one alphabetical order of the program: ascending, letter case ignored
// for Cyrillic and Latin alike. Used by the pick lists and by the grid's sort.

#include <QCollatorSortKey>
#include <QString>
#include <QStringList>

namespace TextOrder {

// Negative, zero or positive as a sorts before, equal to or after b.
int compare(const QString& a, const QString& b);
inline bool less(const QString& a, const QString& b) {
    return compare(a, b) < 0;
}
// A key whose comparison gives the same order as compare(); for ordering many
// texts, each key is built once instead of comparing texts again and again.
QCollatorSortKey sortKey(const QString& text);
// Stable: entries that compare equal keep their order.
void sort(QStringList& entries);

} // namespace TextOrder
