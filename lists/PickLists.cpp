#include "lists/PickLists.h"

#include "ui/Dialogs.h"
#include "data/OrderTable.h"
#include "data/TextOrder.h"
#include "lists/FilterRule.h"
#include "lists/PickListFile.h"
#include "lists/Unit2.h"

#include <QComboBox>
#include <QSignalBlocker>

PickLists::PickLists(const Boxes& boxes, const QString& applicationDirectory, OrderTable& table,
                     TForm2& Form2, FilterRule& filter, Dialogs& dialogs)
    : m_boxes(boxes), m_directory(applicationDirectory), m_table(table), m_form(Form2), m_filter(filter),
      m_dialogs(dialogs)
{
}

QStringList PickLists::entries(const QComboBox* box)
{
    QStringList result;
    result.reserve(box->count());
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

void PickLists::fill(QComboBox* box, const QStringList& entries)
{
    // The box keeps showing the value it showed when that value is still an
    // entry, and shows no selection otherwise: a bound box must not start to
    // show (and later store) another line's article or supplier.
    const QSignalBlocker blocker(box);
    const QString shown = box->currentText();
    box->clear();
    box->addItems(entries);
    box->setCurrentIndex(box->findText(shown, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void PickLists::fillWithAll(QComboBox* box, const QStringList& entries)
{
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItem(allText());
    box->addItems(entries);
}

void PickLists::select(QComboBox* box, int index)
{
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
}

bool PickLists::loadList(const QString& fileName, QComboBox* box)
{
    PickListFile::Entries file = PickListFile::readEntries(PickListFile::resolve(m_directory, fileName));
    if (file.status == PickListFile::Status::Error) {
        m_dialogs.standardError(file.error);
        return false;
    }
    if (file.status == PickListFile::Status::Ok) {
        TextOrder::sort(file.lines);
        fill(box, file.lines);
    }
    return true;
}

void PickLists::loadAtStartup()
{
    fill(m_boxes.DBComboBox1, {QString()});
    fill(m_boxes.DBComboBox2, {QString()});
    fill(m_boxes.cbbatch, {});

    loadList(QStringLiteral("articles.txt"), m_boxes.DBComboBox1);
    loadList(QStringLiteral("Suppliers.txt"), m_boxes.DBComboBox2);
    fillWithAll(m_boxes.cbfiltersup, entries(m_boxes.DBComboBox2));
    select(m_boxes.cbfiltersup, 0);

    loadList(QStringLiteral("Batches.txt"), m_boxes.cbbatch);
    fill(m_boxes.ComboBox2, entries(m_boxes.cbbatch));
    fillWithAll(m_boxes.cbbatch, entries(m_boxes.cbbatch));
    select(m_boxes.cbbatch, m_boxes.cbbatch->count() - 1);
}

void PickLists::editPickList(const QString& listName, QComboBox* target)
{
    if (!m_form.editList(listName))
        return;
    if (m_form.listResult()) {
        // A list that exists but cannot be read ends the edit here.
        if (!loadList(listName + QStringLiteral(".txt"), target))
            return;
        if (listName.compare(QLatin1String("suppliers"), Qt::CaseInsensitive) == 0) {
            fillWithAll(m_boxes.cbfiltersup, entries(m_boxes.DBComboBox2));
            select(m_boxes.cbfiltersup, 0);
            m_filter.cbfiltersupChange();
        } else if (listName.compare(QLatin1String("batches"), Qt::CaseInsensitive) == 0) {
            m_boxes.ComboBox2->setCurrentIndex(m_boxes.ComboBox2->count() - 1);
            fillWithAll(m_boxes.cbbatch, entries(m_boxes.ComboBox2));
            select(m_boxes.cbbatch, m_boxes.cbbatch->count() - 1);
            m_filter.cbfiltersupChange();
        }
    }
    if (m_table.state() == TableState::Edit || m_table.state() == TableState::Insert)
        m_table.post();
}
