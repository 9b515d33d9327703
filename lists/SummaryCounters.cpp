#include "lists/SummaryCounters.h"

#include "ui/StatusPanels.h"
#include "data/NumberText.h"
#include "data/OrderTable.h"

#include <QLineEdit>

SummaryCounters::SummaryCounters(OrderTable& table, QLineEdit* eobstbr, QLineEdit* etotal, StatusPanels& panels)
    : m_table(table), m_eobstbr(eobstbr), m_etotal(etotal), m_panels(panels)
{
}

bool SummaryCounters::walk()
{
    if (!m_table.isActive() || !m_table.settle())
        return false;
    ViewSums sums;
    if (m_table.sums(&sums)) {
        m_eobstbr->setText(NumberText::integerText(sums.pieces));
        m_etotal->setText(NumberText::generalText(sums.money.toDouble()));
    } else {
        // The engine's error has been shown. The adjustments must still find a
        // number to read back.
        for (QLineEdit* field : {m_eobstbr, m_etotal}) {
            if (field->text().isEmpty())
                field->setText(QStringLiteral("0"));
        }
    }
    m_panels.setText(StatusPanels::LineCount,
                     QStringLiteral("Articles Count: ") + QString::number(m_table.recordCount()));
    return true;
}

void SummaryCounters::eobstbrChange(QLineEdit* field)
{
    const QString text = field->text();
    field->setToolTip(text);
    if (field->objectName() == QLatin1String("eobstbr"))
        m_panels.setText(StatusPanels::Pieces, QStringLiteral("Pieces Count: ") + text);
    else if (field->objectName() == QLatin1String("etotal"))
        m_panels.setText(StatusPanels::Money, QStringLiteral("Money Summary: ") + text);
}

bool SummaryCounters::addMoney(double delta)
{
    double value = 0;
    if (!NumberText::readNumber(m_etotal->text(), &value))
        return false;
    m_etotal->setText(NumberText::generalText(value + delta));
    return true;
}

bool SummaryCounters::addPieces(qint64 delta)
{
    qint64 value = 0;
    if (!NumberText::readInteger(m_eobstbr->text(), &value))
        return false;
    m_eobstbr->setText(NumberText::integerText(value + delta));
    return true;
}
