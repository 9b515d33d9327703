#include "lists/gui/EntryUse.h"

#include "data/OrderColumns.h"
#include "data/OrderTable.h"
#include "lists/ListEntries.h"
#include "lists/PickListTable.h"
#include "ui/Dialogs.h"

namespace {

bool isBatches(const QString& listName) {
    return listName.compare(QLatin1String("batches"), Qt::CaseInsensitive) == 0;
}

QString lines(qint64 count) {
    return count == 1 ? QStringLiteral("1 line") : QStringLiteral("%1 lines").arg(count);
}

} // namespace

EntryUse::EntryUse(OrderTable& table, Dialogs& dialogs) : m_table(table), m_dialogs(dialogs) {}

int EntryUse::column(const QString& listName) {
    const PickListTable::List* list = PickListTable::find(listName);
    return list && list->isPickList() ? list->column : -1;
}

ListEdit::Changes EntryUse::changesOf(const QString& listName, const QStringList& before,
                                      const QStringList& after) {
    ListEdit::Changes changes = ListEdit::between(before, after);
    if (isBatches(listName)) {
        for (const auto& rename : std::as_const(changes.renamed))
            changes.removed << rename.first;
        changes.renamed.clear();
    }
    return changes;
}

QHash<QString, qint64> EntryUse::lineCounts(int column, bool* ok) {
    QHash<QString, qint64> counts;
    *ok = true;
    if (column < 0 || !m_table.isActive())
        return counts;
    QString error;
    *ok = m_table.lineCountsByValue(column, &counts, &error);
    if (!*ok)
        m_dialogs.standardError(error);
    return counts;
}

bool EntryUse::confirmRemoved(const QString& listName, const QStringList& removed) {
    if (removed.isEmpty())
        return true;
    bool ok = false;
    const QHash<QString, qint64> counts = lineCounts(column(listName), &ok);
    if (!ok)
        return false;
    QStringList named;
    for (const QString& entry : removed)
        if (counts.value(entry) > 0)
            named << QStringLiteral("\"%1\" (%2)").arg(entry, lines(counts.value(entry)));
    if (named.isEmpty())
        return true;
    return m_dialogs.confirm(
        QStringLiteral("These entries are no longer in the list \"%1\", but lines still hold them: %2\r\n"
                       "The lines keep their value. Store the list anyway?")
            .arg(listName, ListEntries::namedAtMost(named).join(QLatin1String(", "))));
}

bool EntryUse::offerRenames(const QString& listName, const QList<QPair<QString, QString>>& renamed) {
    if (renamed.isEmpty())
        return false;
    const int target = column(listName);
    bool ok = false;
    const QHash<QString, qint64> counts = lineCounts(target, &ok);
    bool changedLines = false;
    for (const auto& [from, to] : renamed) {
        const qint64 count = counts.value(from);
        if (!ok || count == 0)
            continue;
        if (!m_dialogs.confirm(
                QStringLiteral("\"%1\" is held by %2. Rename it to \"%3\" in these lines as well?")
                    .arg(from, lines(count), to)))
            continue;
        // The line being typed is stored first, so that the rename does not
        // refuse this clerk's own entries as changed by another user.
        if (!m_table.settle())
            return changedLines;
        qint64 changed = 0;
        QString error;
        if (!m_table.renameInLines(target, from, to, &changed, &error)) {
            m_dialogs.standardError(error);
            return changedLines;
        }
        changedLines = true;
    }
    return changedLines;
}
