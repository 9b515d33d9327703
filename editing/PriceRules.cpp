#include "editing/PriceRules.h"

#include "data/OrderTable.h"
#include "lists/gui/SummaryCounters.h"
#include "ui/FocusColours.h"

#include <limits>

namespace {
constexpr OrderColumns::Index Price = OrderColumns::Pokupnacena;
constexpr OrderColumns::Index Ordered = OrderColumns::Paracbr;
constexpr OrderColumns::Index Delivered = OrderColumns::Dostavbr;
constexpr OrderColumns::Index Defective = OrderColumns::Defectbr;
constexpr OrderColumns::Index Received = OrderColumns::Polucbr;
constexpr OrderColumns::Index Money = OrderColumns::Obsto;

} // namespace

PriceRules::PriceRules(OrderTable& table, SummaryCounters& counters) : m_table(table), m_counters(counters) {}

bool PriceRules::derivedValuesFit(OrderColumns::Index column, QString* reason) const {
    // The price rule keeps the stored received count; a count derives it anew.
    const qint64 receivedCount = column == Price
                                     ? m_table.asInteger(Received)
                                     : received(m_table.asInteger(Ordered), m_table.asInteger(Delivered),
                                                m_table.asInteger(Defective));
    if (receivedCount < std::numeric_limits<qint32>::min() ||
        receivedCount > std::numeric_limits<qint32>::max()) {
        *reason = QStringLiteral("the received count of this line, %1, is out of range").arg(receivedCount);
        return false;
    }
    const Currency price = m_table.asCurrency(Price);
    Currency result;
    if (!money(price, receivedCount, &result)) {
        *reason = QStringLiteral("the money of this line, %1 x %2, is out of range")
                      .arg(price.toString())
                      .arg(receivedCount);
        return false;
    }
    return true;
}

qint64 PriceRules::received(qint64 ordered, qint64 delivered, qint64 defective) {
    // Defective pieces count only against delivered ones.
    return delivered != 0 ? delivered - defective : ordered;
}

bool PriceRules::money(Currency price, qint64 received, Currency* out) {
    return Currency::multiply(price, received, out);
}

void PriceRules::priceEntered(QWidget* field) {
    FocusColours::paint(field, FocusColours::Green);
    m_oldValue = m_table.asFloat(Price);
    m_oldMoney = m_table.asFloat(Money);
}

void PriceRules::countEntered(QWidget* field, OrderColumns::Index column) {
    FocusColours::paint(field, FocusColours::Green);
    m_oldValue = m_table.asFloat(column);
    m_oldMoney = m_table.asFloat(Money);
    m_oldReceived = m_table.asInteger(Received);
}

bool PriceRules::unchanged(OrderColumns::Index column) const {
    // An empty field never counts as unchanged, so leaving the empty price of
    // a new line still derives its money.
    return !m_table.isNull(column) && m_table.asFloat(column) == m_oldValue;
}

bool PriceRules::enterEditMode() {
    return m_table.state() != TableState::Browse || m_table.edit();
}

void PriceRules::writeMoney() {
    Currency result;
    if (!money(m_table.asCurrency(Price), m_table.asInteger(Received), &result))
        return; // only values stored by others get here: typed ones were checked
    if (!m_table.setValue(Money, QVariant::fromValue(result)))
        return;
    m_counters.addMoney(result.toDouble() - m_oldMoney);
}

void PriceRules::priceExited(QWidget* field) {
    FocusColours::restore(field);
    if (unchanged(Price) || !enterEditMode())
        return;
    writeMoney();
}

void PriceRules::countExited(QWidget* field, OrderColumns::Index column) {
    FocusColours::restore(field);
    if (unchanged(column) || !enterEditMode())
        return;
    const qint64 receivedCount =
        received(m_table.asInteger(Ordered), m_table.asInteger(Delivered), m_table.asInteger(Defective));
    if (!m_table.setValue(Received, QVariant(receivedCount)))
        return; // reported; nothing derived from a count that was not stored
    writeMoney();
    m_counters.addPieces(receivedCount - m_oldReceived);
}
