#pragma once
// A drop-down list bound to a column: the user picks one of its entries only,
// and the pick is written into the column at once. A stored value that is not
// an entry (renamed or removed from the list since) is still the line's: it
// shows as an extra entry at the end, marked as not in the list, which the
// next value replaces. Letters typed select the matching entry; the space key
// opens the list.

#include "app/BoundControl.h"
#include "ui/ComboLookup.h"

#include <QComboBox>

class DBComboBox : public BoundControl<QComboBox> {
    Q_OBJECT
  public:
    DBComboBox(OrderTable& table, OrderColumns::Index column, QWidget* parent = nullptr);
    // Selects the entry equal to text (letter case ignored); else shows text
    // as the entry not in the list, or nothing for an empty text.
    void showValue(const QString& text);
    // What entry index stands for: its text, or the stored value it marks.
    QString valueAt(int index) const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void picked(int index);
    void dropNotInList();

    ComboLookup m_lookup{this};
};
