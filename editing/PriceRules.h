#pragma once
// The two derived values of a line: received = delivered - defective when
// something was delivered, else ordered; money = price x received, exact to
// the ten-thousandth. They are derived when the focus leaves the price or a
// count field whose value changed, and the summary counters follow by the
// difference. The window calls the enter and exit steps from DBEdit7Enter /
// DBEdit7Exit (price) and DBEdit16Enter / DBEdit16Exit (the three counts).

#include "data/Currency.h"
#include "data/OrderColumns.h"

#include <QString>

class OrderTable;
class SummaryCounters;
class QWidget;

class PriceRules {
  public:
    PriceRules(OrderTable& table, SummaryCounters& counters);

    // Whether the line's received count and money, derived with the value
    // just written into column (the price or a count), fit their columns;
    // when not, reason says why. The field then refuses the value, so no
    // money that belongs to other values is stored.
    bool derivedValuesFit(OrderColumns::Index column, QString* reason) const;

    void priceEntered(QWidget* field);
    void priceExited(QWidget* field);
    void countEntered(QWidget* field, OrderColumns::Index column);
    void countExited(QWidget* field, OrderColumns::Index column);

    // The rules themselves, on plain values.
    static qint64 received(qint64 ordered, qint64 delivered, qint64 defective);
    static bool money(Currency price, qint64 received, Currency* out);

  private:
    // True when the field holds a value equal to the one it had on entry.
    bool unchanged(OrderColumns::Index column) const;
    bool enterEditMode();
    void writeMoney();

    OrderTable& m_table;
    SummaryCounters& m_counters;
    double m_oldValue = 0;
    double m_oldMoney = 0;
    qint64 m_oldReceived = 0;
};
