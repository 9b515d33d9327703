#pragma once
// A one-line edit bound to a column. Its binding reports entering and
// leaving the field; a text the column refuses keeps the focus.

#include "app/BoundControl.h"

#include <QLineEdit>

class DBEdit : public BoundControl<QLineEdit> {
    Q_OBJECT
  public:
    DBEdit(OrderTable& table, OrderColumns::Index column, QWidget* parent = nullptr);
};
