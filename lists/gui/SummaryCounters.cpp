#include "lists/gui/SummaryCounters.h"

#include "data/NumberText.h"
#include "data/OrderTable.h"
#include "ui/StatusPanels.h"

#include <QLineEdit>

SummaryCounters::SummaryCounters(OrderTable& table, QLineEdit* eobstbr, QLineEdit* etotal,
                                 StatusPanels& panels)
    : m_table(table), m_eobstbr(eobstbr), m_etotal(etotal), m_panels(panels) {
    // Connected before the window's own handlers, so that a summary walk run
    // after a store finds nothing left to add.
    QObject::connect(&m_table, &OrderTable::cancelled, m_eobstbr, [this] { takeBackPending(); });
    QObject::connect(&m_table, &OrderTable::postError, m_eobstbr, [this] { withholdPending(); });
    QObject::connect(&m_table, &OrderTable::afterPost, m_eobstbr, [this] { keepPending(); });
    QObject::connect(&m_table, &OrderTable::afterDelete, m_eobstbr, [this] { takeBackPending(); });
}

bool SummaryCounters::walk() {
    ViewSums sums;
    if (m_table.refresh(&sums)) {
        show(sums);
        return true;
    }
    // The error has been shown. The adjustments must still find a number to
    // read back.
    for (QLineEdit* field : {m_eobstbr, m_etotal}) {
        if (m_table.isActive() && field->text().isEmpty())
            field->setText(QStringLiteral("0"));
    }
    return false;
}

void SummaryCounters::show(const ViewSums& sums) {
    m_pendingMoney = m_withheldMoney = 0;
    m_pendingPieces = m_withheldPieces = 0;
    m_eobstbr->setText(NumberText::integerText(sums.pieces));
    m_etotal->setText(NumberText::generalText(sums.money.toDouble()));
    m_panels.setText(StatusPanels::LineCount,
                     QStringLiteral("Articles Count: ") + QString::number(m_table.recordCount()));
}

void SummaryCounters::eobstbrChange(QLineEdit* field) {
    const QString text = field->text();
    field->setToolTip(text);
    if (field->objectName() == QLatin1String("eobstbr"))
        m_panels.setText(StatusPanels::Pieces, QStringLiteral("Pieces Count: ") + text);
    else if (field->objectName() == QLatin1String("etotal"))
        m_panels.setText(StatusPanels::Money, QStringLiteral("Money Summary: ") + text);
}

bool SummaryCounters::add(double money, qint64 pieces) {
    double shownMoney = 0;
    qint64 shownPieces = 0;
    if (money != 0 && !NumberText::readNumber(m_etotal->text(), &shownMoney))
        return false;
    if (pieces != 0 && !NumberText::readInteger(m_eobstbr->text(), &shownPieces))
        return false;
    if (money != 0)
        m_etotal->setText(NumberText::generalText(shownMoney + money));
    if (pieces != 0)
        m_eobstbr->setText(NumberText::integerText(shownPieces + pieces));
    return true;
}

bool SummaryCounters::addMoney(double delta) {
    if (!add(delta, 0))
        return false;
    m_pendingMoney += delta;
    return true;
}

bool SummaryCounters::addPieces(qint64 delta) {
    if (!add(0, delta))
        return false;
    m_pendingPieces += delta;
    return true;
}

void SummaryCounters::subtractLine(Currency money, qint64 received) {
    add(-money.toDouble(), -received);
}

void SummaryCounters::takeBackPending() {
    add(-m_pendingMoney, -m_pendingPieces);
    m_pendingMoney = m_withheldMoney = 0;
    m_pendingPieces = m_withheldPieces = 0;
}

void SummaryCounters::withholdPending() {
    add(-m_pendingMoney, -m_pendingPieces);
    m_withheldMoney += m_pendingMoney;
    m_withheldPieces += m_pendingPieces;
    m_pendingMoney = 0;
    m_pendingPieces = 0;
}

void SummaryCounters::keepPending() {
    add(m_withheldMoney, m_withheldPieces);
    m_pendingMoney = m_withheldMoney = 0;
    m_pendingPieces = m_withheldPieces = 0;
}
