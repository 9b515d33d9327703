#include "app/DBMemo.h"

#include "app/FieldBinding.h"

DBMemo::DBMemo(OrderTable& table, const QString& column, QWidget* parent)
    : QPlainTextEdit(parent), m_binding(new FieldBinding(this, table, column))
{
    setTabChangesFocus(true);
    m_binding->setTextAccess([this] { return toPlainText(); },
                             [this](const QString& value) {
                                 m_showing = true;
                                 setPlainText(value);
                                 m_showing = false;
                             });
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_showing)
            m_binding->userEdited();
    });
}

void DBMemo::focusInEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusInEvent(event);
    m_binding->focusEntered(event);
}

void DBMemo::focusOutEvent(QFocusEvent* event)
{
    QPlainTextEdit::focusOutEvent(event);
    m_binding->focusLeft(event);
}
