#pragma once
// A one-line edit bound to a column. Its binding reports entering and
// leaving the field; a text the column refuses keeps the focus.

#include <QLineEdit>

class FieldBinding;
class OrderTable;

class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    DBEdit(OrderTable& table, const QString& column, QWidget* parent = nullptr);
    FieldBinding& binding() const { return *m_binding; }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    FieldBinding* m_binding;
};
