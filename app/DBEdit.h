#pragma once
// A one-line edit bound to a column. Emits entered() when it gets the focus
// and exited() when it loses it after its text was written into the column;
// a text the column refuses keeps the focus and exited() is not emitted.

#include <QLineEdit>

class FieldBinding;
class OrderTable;

class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    DBEdit(OrderTable& table, const QString& column, QWidget* parent = nullptr);
    FieldBinding& binding() const { return *m_binding; }

signals:
    void entered();
    void exited();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    FieldBinding* m_binding;
    bool m_refocusing = false;
};
