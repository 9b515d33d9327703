#pragma once
// A drop-down list bound to a column: the user picks one of its entries only,
// and the pick is written into the column at once. A value that is not an
// entry shows as no selection. Letters typed select the matching entry; the
// space key opens the list.

#include "app/BoundControl.h"
#include "ui/ComboLookup.h"

#include <QComboBox>

class DBComboBox : public BoundControl<QComboBox> {
    Q_OBJECT
public:
    DBComboBox(OrderTable& table, OrderColumns::Index column, QWidget* parent = nullptr);
    // Selects the entry equal to text (letter case ignored), or none.
    void showValue(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void picked(int index);

    ComboLookup m_lookup{this};
};
