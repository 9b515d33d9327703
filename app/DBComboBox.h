#pragma once
// A drop-down list bound to a column: the user picks one of its entries only,
// and the pick is written into the column at once. A value that is not an
// entry shows as no selection. Letters typed select the matching entry; the
// space key opens the list.

#include <QComboBox>

class FieldBinding;
class OrderTable;

class DBComboBox : public QComboBox {
    Q_OBJECT
public:
    DBComboBox(OrderTable& table, const QString& column, QWidget* parent = nullptr);
    FieldBinding& binding() const { return *m_binding; }
    // Selects the entry equal to text (letter case ignored), or none.
    void showValue(const QString& text);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void picked(int index);

    FieldBinding* m_binding;
};
