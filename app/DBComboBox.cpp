#include "app/DBComboBox.h"

#include "app/FieldBinding.h"
#include "data/OrderTable.h"

#include <QKeyEvent>

DBComboBox::DBComboBox(OrderTable& table, OrderColumns::Index column, QWidget* parent)
    : BoundControl(table, column, parent)
{
    setEditable(false);
    setMaxVisibleItems(14);
    m_binding->setTextAccess([this] { return currentIndex() < 0 ? QString() : currentText(); },
                             [this](const QString& value) { showValue(value); });
    connect(this, qOverload<int>(&QComboBox::activated), this, &DBComboBox::picked);
}

void DBComboBox::showValue(const QString& text)
{
    const QSignalBlocker blocker(this);
    setCurrentIndex(m_lookup.find(text));
}

void DBComboBox::picked(int index)
{
    const QString text = itemText(index);
    if (!m_binding->userEdited())
        return;
    // Written at once: the pick is the whole edit.
    if (!m_binding->commitPendingText())
        m_binding->refresh();
    if (currentIndex() != index)
        showValue(text);
}

void DBComboBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        showPopup();
        return;
    }
    QComboBox::keyPressEvent(event);
}
