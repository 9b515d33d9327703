#include "app/DBComboBox.h"

#include "app/FieldBinding.h"
#include "data/OrderTable.h"

#include <QKeyEvent>

DBComboBox::DBComboBox(OrderTable& table, OrderColumns::Index column, QWidget* parent)
    : BoundControl(table, column, parent) {
    setEditable(false);
    setMaxVisibleItems(14);
    m_binding->setTextAccess([this] { return valueAt(currentIndex()); },
                             [this](const QString& value) { showValue(value); });
    connect(this, qOverload<int>(&QComboBox::activated), this, &DBComboBox::picked);
}

void DBComboBox::showValue(const QString& text) {
    const QSignalBlocker blocker(this);
    dropNotInList();
    const int entry = m_lookup.find(text);
    if (entry >= 0 || text.isEmpty()) {
        setCurrentIndex(entry);
        return;
    }
    setCurrentIndex(ComboLookup::addNotInList(this, text));
}

QString DBComboBox::valueAt(int index) const {
    return ComboLookup::valueAt(this, index);
}

void DBComboBox::dropNotInList() {
    const int last = count() - 1;
    if (last >= 0 && itemData(last, ComboLookup::NotInListRole).isValid())
        removeItem(last);
}

void DBComboBox::picked(int index) {
    const QString text = valueAt(index);
    if (!m_binding->userEdited())
        return;
    // Written at once: the pick is the whole edit.
    if (!m_binding->commitPendingText())
        m_binding->refresh();
    if (currentIndex() != index)
        showValue(text);
}

void DBComboBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        showPopup();
        return;
    }
    QComboBox::keyPressEvent(event);
}
