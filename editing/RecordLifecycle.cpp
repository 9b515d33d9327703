#include "editing/RecordLifecycle.h"

#include "data/FieldCodec.h"
#include "data/OrderTable.h"
#include "lists/gui/BatchChooser.h"
#include "ui/ComboLookup.h"
#include "ui/Dialogs.h"
#include "ui/StatusPanels.h"

#include <QComboBox>
#include <QDate>
#include <QFile>

namespace {

const QString NoData = QStringLiteral("Last line is ignored because it contain no data");

QString unknownMessage(const QString& what, const QString& action) {
    return what + QStringLiteral(" is unknown!!! Please enter ") + action +
           QStringLiteral(" to continue\r\nor click on \"Cancel\" button to refuse changes.");
}

bool isPending(const OrderTable& table) {
    return table.state() == TableState::Edit || table.state() == TableState::Insert;
}

} // namespace

RecordLifecycle::RecordLifecycle(OrderTable& table, Dialogs& dialogs, StatusPanels& status, Controls controls,
                                 Steps steps, bool& lineHasData, int& nextPhotoNumber)
    : m_table(table), m_dialogs(dialogs), m_status(status), m_controls(controls), m_steps(std::move(steps)),
      m_lineHasData(lineHasData), m_nextPhotoNumber(nextPhotoNumber) {}

void RecordLifecycle::add() {
    m_steps.resetSort();
    if (!m_table.last()) // also reports a closed table
        return;
    if (!m_table.append())
        return;
    // The photo number is the key the new line was given from the engine's
    // key sequence, not the last key of the view plus one: under a filter,
    // after the last line was deleted, or with a second program on the
    // register, that number can belong to another line, whose photo attaching
    // a new one would overwrite.
    m_nextPhotoNumber = m_table.pendingKey();
    m_controls.articleBox->setFocus(Qt::OtherFocusReason);
    const int filterPosition = m_controls.supplierFilter->currentIndex();
    if (filterPosition > 0) {
        // A supplier the list no longer holds is the box's to show, marked.
        if (!m_controls.supplierFilter->itemData(filterPosition, ComboLookup::NotInListRole).isValid())
            m_controls.supplierBox->setCurrentIndex(filterPosition - 1);
        m_table.setValue(OrderColumns::Dostavcik,
                         ComboLookup::valueAt(m_controls.supplierFilter, filterPosition));
    }
    m_steps.showPhoto();
    // Last, so that the changes above do not count as entered data.
    m_lineHasData = false;
}

void RecordLifecycle::repeat() {
    static constexpr OrderColumns::Index Repeated[] = {
        OrderColumns::Artikul, OrderColumns::Dostavcik, OrderColumns::Firmetiket,  OrderColumns::Bukvi,
        OrderColumns::Strpos,  OrderColumns::Nomcuval,  OrderColumns::Kodovnom,    OrderColumns::Cvet,
        OrderColumns::Razmeri, OrderColumns::Sastav,    OrderColumns::Pokupnacena, OrderColumns::Sebestoynost,
        OrderColumns::Edro,    OrderColumns::Drebno};
    // The line as stored: a pending one is stored first, as Add would.
    if (!m_table.checkActive() || !m_table.settle() || m_table.currentRow() < 0)
        return;
    std::vector<std::pair<int, QVariant>> values;
    for (OrderColumns::Index column : Repeated)
        values.emplace_back(column, m_table.value(column));
    add();
    if (m_table.state() != TableState::Insert)
        return;
    m_table.setValues(values);
    m_lineHasData = false;
}

void RecordLifecycle::apply() {
    if (isPending(m_table))
        m_table.post();
}

void RecordLifecycle::cancel() {
    if (isPending(m_table))
        m_table.cancel();
}

void RecordLifecycle::remove() {
    // A refused typed text says why before anything is asked.
    if (!m_table.commitTypedText())
        return;
    if (!m_dialogs.confirm(
            QStringLiteral("You are about to delete record!\r\nDeleted record can not be restored!\r\n"
                           "Please confirm delete operation.")))
        return;
    QString photoToRemove;
    if (m_table.asInteger(OrderColumns::Photo) > 0) {
        const QString photo = m_steps.photoPath();
        if (QFile::exists(photo) &&
            m_dialogs.confirm(
                QStringLiteral("Do you want to delete attachet photo?\r\nPlease confirm delete operation.")))
            photoToRemove = photo;
    }
    // The line goes first: a delete the engine refuses leaves the line with
    // its photo.
    if (!m_table.remove() || photoToRemove.isEmpty())
        return;
    m_steps.removePhoto(photoToRemove);
}

bool RecordLifecycle::refuse(const QString& message, QWidget* focus, bool openList) {
    m_dialogs.information(message);
    focus->setFocus(Qt::OtherFocusReason);
    if (openList)
        static_cast<QComboBox*>(focus)->showPopup();
    return false;
}

bool RecordLifecycle::batchTooLong(const QString& batch) const {
    return batch.size() > OrderColumns::at(OrderColumns::Batch).width;
}

void RecordLifecycle::fillNewLine(const QString& batch) {
    // However the line was started (Add, typing into an empty view, a batch
    // pick), its photo number is the key reserved for it. One change of the
    // whole line: each column's own would reach every field and the grid.
    m_nextPhotoNumber = m_table.pendingKey();
    std::vector<std::pair<int, QVariant>> fill{{OrderColumns::Batch, batch},
                                               {OrderColumns::Date, QDate::currentDate()},
                                               {OrderColumns::Photo, m_nextPhotoNumber}};
    for (int column = 1; column < OrderColumns::Count; ++column) {
        if (column == OrderColumns::Batch || column == OrderColumns::Date || column == OrderColumns::Photo ||
            !m_table.value(column).isNull())
            continue;
        const ColumnType type = OrderColumns::at(column).type;
        const bool number = type == ColumnType::Integer || type == ColumnType::Currency;
        fill.emplace_back(column, number ? QVariant(0) : QVariant(QString()));
    }
    m_table.setValues(fill);
}

bool RecordLifecycle::beforePost() {
    m_supplierIndexAtPost = m_controls.supplierBox->currentIndex();
    m_supplierAtPost = ComboLookup::valueAt(m_controls.supplierBox, m_supplierIndexAtPost);
    if (!m_lineHasData) {
        m_dialogs.information(NoData);
        m_table.cancel();
        return false;
    }
    const QString batch = BatchChooser::shownBatch(m_controls.batchChooser);
    // Cut to the column, the line would leave its batch's view at once and
    // lose its photo folder.
    if (batchTooLong(batch))
        return refuse(QStringLiteral("The batch \"%1\" is longer than the %2 characters a line can hold, "
                                     "so the line was not stored.\r\nPlease choose another batch, or shorten "
                                     "this one with \"Edit batches\".")
                          .arg(batch)
                          .arg(OrderColumns::at(OrderColumns::Batch).width),
                      m_controls.batchChooser, false);
    // Taken anew at every store: a new line refused by a check and then
    // cancelled must not make the next stored edit jump to the last line.
    m_inserted = m_table.state() == TableState::Insert;
    if (m_inserted)
        fillNewLine(batch);
    else {
        m_table.setValue(OrderColumns::Batch, batch);
        m_editBookmark = m_table.bookmark();
        m_editRow = m_table.currentRow();
    }

    if (m_table.asString(OrderColumns::Dostavcik).isEmpty())
        return refuse(unknownMessage(QStringLiteral("Supplier"), QStringLiteral("supplier")),
                      m_controls.supplierBox, true);
    if (m_table.asString(OrderColumns::Artikul).isEmpty())
        return refuse(unknownMessage(QStringLiteral("Article"), QStringLiteral("article")),
                      m_controls.articleBox, true);
    if (m_table.asCurrency(OrderColumns::Pokupnacena).isZero())
        return refuse(unknownMessage(QStringLiteral("Purchasing Price"), QStringLiteral("Purchasing Price")),
                      m_controls.priceField, false);
    if (m_table.asInteger(OrderColumns::Paracbr) == 0)
        return refuse(unknownMessage(QStringLiteral("Ordered count"), QStringLiteral("ordered count")),
                      m_controls.orderedField, false);
    return true;
}

void RecordLifecycle::writeLineCount() {
    m_status.setText(StatusPanels::LineCount,
                     QStringLiteral("Articles Count: %1").arg(m_table.recordCount()));
}

bool RecordLifecycle::leftSupplierFilter() const {
    if (!m_table.isFiltered())
        return false;
    const QComboBox* filter = m_controls.supplierFilter;
    const int position = filter->currentIndex();
    // A supplier not in the list has no place in the supplier box to match.
    if (filter->itemData(position, ComboLookup::NotInListRole).isValid())
        return ComboLookup::valueAt(filter, position) != m_supplierAtPost;
    return position - 1 != m_supplierIndexAtPost;
}

void RecordLifecycle::afterPost() {
    writeLineCount();
    const bool leftFilter = leftSupplierFilter();
    if (leftFilter) {
        // The line left the supplier filter: the view becomes that of "All"
        // with the batch filter kept. The filter rule switches the filter in
        // one step; switching it off first would read every line for nothing.
        // It shows the counters of the lines it read, so a summary walk
        // after it would only read them all again. The form and the grid
        // show the line the step ends on, not the first line of the new
        // view on the way there.
        m_table.disableControls();
        m_controls.supplierFilter->setCurrentIndex(0);
        m_steps.runFilterRule();
    }
    if (m_inserted) {
        m_inserted = false;
        m_table.last();
    } else if (m_table.hasBookmark(m_editBookmark)) {
        m_table.gotoBookmark(m_editBookmark);
    } else if (m_table.recordCount() > 0) {
        // The stored line no longer passes the filter (its batch or supplier
        // changed) and left the view with the re-read: the form stays on the
        // line that took its place. The line count tells that it went.
        m_table.moveTo(qMin(m_editRow, m_table.recordCount() - 1));
    }
    if (leftFilter)
        m_table.enableControls();
}

bool RecordLifecycle::beforeDelete() {
    // The counters hold the line as stored (pending changes are taken back
    // separately); they change only once the engine has deleted it.
    m_deletedMoney = FieldCodec::toCurrency(m_table.storedValue(OrderColumns::Obsto));
    m_deletedReceived = FieldCodec::toInteger(m_table.storedValue(OrderColumns::Polucbr));
    return true;
}

void RecordLifecycle::afterDelete() {
    m_steps.subtractFromCounters(m_deletedMoney, m_deletedReceived);
    writeLineCount();
}
