#include "lists/gui/PickLists.h"

#include "data/OrderColumns.h"
#include "data/OrderTable.h"
#include "data/TextOrder.h"
#include "lists/ListEntries.h"
#include "lists/ListStore.h"
#include "lists/PickListTable.h"
#include "lists/gui/EntryUse.h"
#include "lists/gui/FilterRule.h"
#include "lists/gui/Unit2.h"
#include "ui/ComboLookup.h"
#include "ui/Dialogs.h"

#include <QComboBox>
#include <QHash>
#include <QSet>
#include <QSignalBlocker>

PickLists::PickLists(const Boxes& boxes, const ListStore& store, OrderTable& table, TForm2& Form2,
                     FilterRule& filter, Dialogs& dialogs)
    : m_entryUse(table, dialogs), m_boxes(boxes), m_store(store), m_table(table), m_form(Form2),
      m_filter(filter), m_dialogs(dialogs) {
    m_form.setEntryUse(&m_entryUse);
}

QStringList PickLists::entries(const QComboBox* box) {
    QStringList result;
    result.reserve(box->count());
    for (int i = 0; i < box->count(); ++i)
        if (!box->itemData(i, ComboLookup::NotInListRole).isValid())
            result << box->itemText(i);
    return result;
}

void PickLists::fill(QComboBox* box, const QStringList& entries) {
    // The box keeps showing the value it showed when that value is still an
    // entry, and shows no selection otherwise: a bound box must not start to
    // show (and later store) another line's article or supplier.
    const QSignalBlocker blocker(box);
    // A line's value that is not in the list stays shown as such (as its
    // box marks it) until it is an entry again.
    const int current = box->currentIndex();
    const QVariant notInList = box->itemData(current, ComboLookup::NotInListRole);
    const QString marked = box->currentText();
    const QVariant font = box->itemData(current, Qt::FontRole);
    const QString shown = notInList.isValid() ? notInList.toString() : marked;
    box->clear();
    box->addItems(entries);
    box->setCurrentIndex(box->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive));
    if (box->currentIndex() < 0 && notInList.isValid()) {
        box->addItem(marked);
        box->setItemData(box->count() - 1, notInList, ComboLookup::NotInListRole);
        box->setItemData(box->count() - 1, font, Qt::FontRole);
        box->setCurrentIndex(box->count() - 1);
    }
}

void PickLists::fillWithAll(QComboBox* box, const QStringList& entries) {
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItem(allText());
    box->addItems(entries);
}

void PickLists::select(QComboBox* box, int index) {
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
}

bool PickLists::loadList(const QString& listName, QComboBox* box, QStringList* longLines) {
    PickListFile::Entries file = m_store.readEntries(listName);
    if (file.status == PickListFile::Status::Error) {
        m_dialogs.standardError(file.error);
        return false;
    }
    if (file.status == PickListFile::Status::Ok) {
        TextOrder::sort(file.lines);
        if (longLines) {
            QString named;
            if (!ListEntries::entriesFit(listName, file.lines, &named))
                *longLines << named;
        }
        fill(box, file.lines);
    }
    return true;
}

void PickLists::loadAtStartup(bool readLists) {
    // Entries too long for their column stay listed as the file has them (the
    // file is the user's), but are named once, all lists in one message.
    QStringList longLines;
    for (const PickListTable::List& list : PickListTable::all()) {
        if (!list.isPickList())
            continue;
        // The batch list reaches the chooser through its filter box, which
        // starts empty; the record form's boxes start with one empty entry.
        const bool batches = list.filter == PickListTable::Filter::Batches;
        QComboBox* box = batches ? m_boxes.cbbatch : boxOf(list);
        fill(box, batches ? QStringList() : QStringList{QString()});
        if (readLists)
            loadList(QLatin1String(list.name), box, &longLines);
        if (batches)
            fill(boxOf(list), entries(m_boxes.cbbatch));
        fillFilter(list.filter, boxOf(list));
    }
    if (!longLines.isEmpty())
        m_dialogs.information(
            ListEntries::longEntriesMessage(longLines, QStringLiteral("Shorten them in the list editor.")));
}

bool PickLists::allEmpty() const {
    for (const PickListTable::List& list : PickListTable::all()) {
        if (!list.isPickList())
            continue;
        for (const QString& entry : entries(boxOf(list))) {
            if (!entry.isEmpty())
                return false;
        }
    }
    return true;
}

QComboBox* PickLists::boxOf(const PickListTable::List& list) const {
    for (QComboBox* box : {m_boxes.DBComboBox1, m_boxes.DBComboBox2, m_boxes.ComboBox2}) {
        if (box->objectName() == QLatin1String(list.box))
            return box;
    }
    Q_ASSERT_X(false, "PickLists::boxOf", list.box);
    return m_boxes.DBComboBox1;
}

void PickLists::fillFilter(PickListTable::Filter filter, const QComboBox* listBox) {
    switch (filter) {
    case PickListTable::Filter::None:
        break;
    case PickListTable::Filter::Suppliers:
        fillWithAll(m_boxes.cbfiltersup, entries(listBox));
        select(m_boxes.cbfiltersup, 0);
        break;
    case PickListTable::Filter::Batches:
        fillWithAll(m_boxes.cbbatch, entries(listBox));
        select(m_boxes.cbbatch, m_boxes.cbbatch->count() - 1);
        break;
    }
}

void PickLists::editPickListOf(const QString& buttonName) {
    const PickListTable::List* list = PickListTable::ofButton(buttonName);
    Q_ASSERT(list);
    editPickList(QLatin1String(list->name));
}

void PickLists::editPickList(const QString& listName) {
    const PickListTable::List* list = PickListTable::find(listName);
    Q_ASSERT(list && list->isPickList());
    if (!m_form.editList(listName))
        return;
    if (m_form.listResult() && !reloadChanged(*list, m_form.renamedEntries()))
        return;
    if (m_table.state() == TableState::Edit || m_table.state() == TableState::Insert)
        m_table.post();
}

bool PickLists::reloadChanged(const PickListTable::List& list,
                              const QList<QPair<QString, QString>>& renamed) {
    const QString listName = QLatin1String(list.name);
    QComboBox* target = boxOf(list);
    // A list that exists but cannot be read ends the edit here.
    if (!loadList(listName, target))
        return false;
    const bool linesRenamed = !renamed.isEmpty() && m_entryUse.offerRenames(listName, renamed);
    if (list.filter == PickListTable::Filter::Batches)
        target->setCurrentIndex(target->count() - 1);
    fillFilter(list.filter, target);
    if (list.filter == PickListTable::Filter::Suppliers)
        offerStoredSuppliers();
    // The filter's new view stores the pending line first; refused, its
    // reason has been given, and the same store would only repeat it.
    if (list.filter == PickListTable::Filter::None && !linesRenamed)
        return true;
    return m_filter.cbfiltersupChange();
}

void PickLists::offerStoredSuppliers() {
    QComboBox* box = m_boxes.cbfiltersup;
    const int chosenIndex = box->currentIndex();
    const bool chosenNotInList = box->itemData(chosenIndex, ComboLookup::NotInListRole).isValid();
    const QString chosen = ComboLookup::valueAt(box, chosenIndex);
    const QStringList listed = entries(m_boxes.DBComboBox2);
    const QSet<QString> inList(listed.cbegin(), listed.cend());
    QHash<QString, qint64> counts;
    QString error;
    if (m_table.isActive() && !m_table.lineCountsByValue(OrderColumns::Dostavcik, &counts, &error))
        m_dialogs.standardError(error);
    // The supplier the view stands on stays offered, lines or none.
    if (chosenNotInList)
        counts.insert(chosen, 0);
    QStringList stored;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (!inList.contains(it.key()))
            stored << it.key();
    TextOrder::sort(stored);
    fillWithAll(box, listed);
    const QSignalBlocker blocker(box);
    for (const QString& supplier : std::as_const(stored)) {
        const int added = ComboLookup::addNotInList(box, supplier);
        if (chosenNotInList && supplier == chosen)
            box->setCurrentIndex(added);
    }
    if (!chosenNotInList)
        box->setCurrentIndex(chosenIndex);
}

void PickLists::offerNewEntries(const QString& listName, const QStringList& found) {
    const PickListTable::List* list = PickListTable::find(listName);
    Q_ASSERT(list && list->isPickList());
    const QStringList present = entries(boxOf(*list));
    QStringList fresh;
    for (const QString& value : found)
        if (!value.isEmpty() && !present.contains(value) && !fresh.contains(value))
            fresh << value;
    if (fresh.isEmpty())
        return;
    if (!m_dialogs.confirm(
            QStringLiteral("The imported lines name %1 %2 that the pick list does not hold:\r\n%3\r\n"
                           "Add them to the list?")
                .arg(fresh.size())
                .arg(listName.toLower(), ListEntries::namedAtMost(fresh).join(QStringLiteral("\r\n")))))
        return;
    const PickListFile::Text current = m_store.readText(listName);
    if (current.status == PickListFile::Status::Error) {
        m_dialogs.error(current.error);
        return;
    }
    QString text = current.text;
    if (!text.isEmpty() && !text.endsWith(u'\n'))
        text += u'\n';
    text += fresh.join(u'\n') + u'\n';
    QString error;
    const SharedStore::Written written = m_store.write(listName, text, current.version, &error);
    if (written == SharedStore::Written::Changed)
        error = QStringLiteral("The list %1 was changed by another user meanwhile; nothing was added to it")
                    .arg(listName);
    if (written != SharedStore::Written::Done) {
        m_dialogs.error(error);
        return;
    }
    reloadChanged(*list);
}
