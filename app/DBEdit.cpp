#include "app/DBEdit.h"

#include "app/FieldBinding.h"
#include "data/OrderTable.h"

#include <QRegularExpression>
#include <QValidator>

namespace {

// A one-line field cannot show a line break, and a value stored with one
// would look different in every other place it is shown: text pasted or
// dropped with breaks keeps each break as one space. A validator sees every
// change of the text, however it came in.
class OneLineValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override
    {
        static const QRegularExpression breaks(QStringLiteral("\\r\\n|[\\r\\n\\x{2028}\\x{2029}]"));
        if (input.contains(breaks)) {
            position = int(input.left(position).replace(breaks, QStringLiteral(" ")).size());
            input.replace(breaks, QStringLiteral(" "));
        }
        return Acceptable;
    }
};

} // namespace

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
