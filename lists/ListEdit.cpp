#include "lists/ListEdit.h"

#include <QSet>

namespace ListEdit {

namespace {

QSet<QString> nonEmpty(const QStringList& entries) {
    QSet<QString> result;
    for (const QString& entry : entries)
        if (!entry.isEmpty())
            result.insert(entry);
    return result;
}

// In the order of list, those of its entries that are in wanted, each once.
QStringList inOrder(const QStringList& list, const QSet<QString>& wanted) {
    QStringList result;
    QSet<QString> taken;
    for (const QString& entry : list)
        if (wanted.contains(entry) && !taken.contains(entry)) {
            taken.insert(entry);
            result << entry;
        }
    return result;
}

} // namespace

Changes between(const QStringList& before, const QStringList& after) {
    const QSet<QString> old = nonEmpty(before);
    const QSet<QString> now = nonEmpty(after);
    QStringList gone = inOrder(before, old - now);
    QStringList added = inOrder(after, now - old);

    Changes changes;
    const auto rename = [&](const QString& from, const QString& to) {
        changes.renamed << qMakePair(from, to);
        gone.removeOne(from);
        added.removeOne(to);
    };
    // Edited in place, the text keeps its number of lines.
    if (before.size() == after.size())
        for (qsizetype i = 0; i < before.size(); ++i)
            if (gone.contains(before[i]) && added.contains(after[i]))
                rename(before[i], after[i]);
    if (gone.size() == 1 && added.size() == 1)
        rename(gone.first(), added.first());
    changes.removed = gone;
    return changes;
}

} // namespace ListEdit
