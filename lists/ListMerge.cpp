#include "lists/ListMerge.h"

#include "lists/PickListFile.h"

#include <QHash>

namespace ListMerge {

namespace {

QHash<QString, int> counts(const QStringList& entries) {
    QHash<QString, int> result;
    for (const QString& entry : entries)
        ++result[entry];
    return result;
}

} // namespace

QString merge(const QString& base, const QString& mine, const QString& theirs) {
    const QStringList mineEntries = PickListFile::splitEntries(mine);
    const QHash<QString, int> before = counts(PickListFile::splitEntries(base));
    QHash<QString, int> after = counts(mineEntries);

    QHash<QString, int> removed;
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        if (it.value() > after.value(it.key()))
            removed[it.key()] = it.value() - after.value(it.key());

    QStringList result;
    for (const QString& entry : PickListFile::splitEntries(theirs)) {
        int& toRemove = removed[entry];
        if (toRemove > 0)
            --toRemove;
        else
            result << entry;
    }
    // Added entries in this clerk's order: the first ones of each entry
    // beyond what the first read held are old, the rest new.
    QHash<QString, int> seen;
    for (const QString& entry : mineEntries)
        if (++seen[entry] > before.value(entry))
            result << entry;
    return result.join(u'\n');
}

} // namespace ListMerge
