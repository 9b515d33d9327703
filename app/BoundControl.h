#pragma once
// What every control bound to a column shares: its binding, and the focus
// handlers that tell the binding when the field is entered and left. A
// control class derives from BoundControl<its Qt widget> and only tells the
// binding how to read and show its text.

#include "app/FieldBinding.h"
#include "data/OrderColumns.h"

#include <QFocusEvent>

class OrderTable;

template <class Widget> class BoundControl : public Widget {
  public:
    FieldBinding& binding() const { return *m_binding; }

  protected:
    BoundControl(OrderTable& table, OrderColumns::Index column, QWidget* parent)
        : Widget(parent), m_binding(new FieldBinding(this, table, column)) {}

    void focusInEvent(QFocusEvent* event) override {
        Widget::focusInEvent(event);
        m_binding->focusEntered(event);
    }

    void focusOutEvent(QFocusEvent* event) override {
        Widget::focusOutEvent(event);
        m_binding->focusLeft(event);
    }

    FieldBinding* const m_binding; // owned by the control as its child
};
