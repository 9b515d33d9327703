#include "app/DBEdit.h"

#include "app/FieldBinding.h"
#include "app/FocusExit.h"
#include "data/OrderTable.h"

#include <QTimer>

DBEdit::DBEdit(OrderTable& table, const QString& column, QWidget* parent)
    : QLineEdit(parent), m_binding(new FieldBinding(this, table, column))
{
    const ColumnDef& def = OrderColumns::at(OrderColumns::indexOf(column));
    if (def.type == ColumnType::Text)
        setMaxLength(def.width);
    m_binding->setTextAccess([this] { return text(); }, [this](const QString& value) { setText(value); });
    connect(this, &QLineEdit::textEdited, m_binding, &FieldBinding::userEdited);
}

void DBEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    if (isFieldExit(event) && !m_refocusing)
        emit entered();
    m_refocusing = false;
}

void DBEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    if (!isFieldExit(event))
        return;
    if (m_binding->commitPendingText()) {
        emit exited();
        return;
    }
    // The refused text stays and so does the focus.
    m_refocusing = true;
    QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
}
