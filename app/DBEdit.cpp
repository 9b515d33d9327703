#include "app/DBEdit.h"

#include "app/FieldBinding.h"
#include "data/OrderTable.h"
#include "ui/OneLineValidator.h"



DBEdit::DBEdit(OrderTable& table, const QString& column, QWidget* parent)
    : QLineEdit(parent), m_binding(new FieldBinding(this, table, column))
{
    const ColumnDef& def = OrderColumns::at(OrderColumns::indexOf(column));
    if (def.type == ColumnType::Text)
        setMaxLength(def.width);
    setValidator(new OneLineValidator(this));
    m_binding->setTextAccess([this] { return text(); }, [this](const QString& value) { setText(value); });
    connect(this, &QLineEdit::textEdited, m_binding, &FieldBinding::userEdited);
}

void DBEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    m_binding->focusEntered(event);
}

void DBEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    m_binding->focusLeft(event);
}
