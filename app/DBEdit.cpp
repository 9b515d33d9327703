#include "app/DBEdit.h"

#include "app/FieldBinding.h"
#include "data/OrderTable.h"
#include "ui/OneLineValidator.h"

DBEdit::DBEdit(OrderTable& table, OrderColumns::Index column, QWidget* parent)
    : BoundControl(table, column, parent) {
    const ColumnDef& def = OrderColumns::at(column);
    if (def.type == ColumnType::Text)
        setMaxLength(def.width);
    setValidator(new OneLineValidator(this));
    m_binding->setTextAccess([this] { return text(); }, [this](const QString& value) { setText(value); });
    connect(this, &QLineEdit::textEdited, m_binding, &FieldBinding::userEdited);
}
