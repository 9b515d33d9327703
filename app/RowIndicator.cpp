#include "app/RowIndicator.h"

#include "data/OrderTable.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionHeader>

RowIndicator::RowIndicator(OrderTable& table, QWidget* parent)
    : QHeaderView(Qt::Vertical, parent), m_table(table) {
    setSectionResizeMode(QHeaderView::Fixed);
    setDefaultSectionSize(18);
    setFixedWidth(12);
    setSectionsClickable(false);
    setHighlightSections(false);
    auto repaint = [this] { viewport()->update(); };
    connect(&table, &OrderTable::currentRowChanged, this, repaint);
    connect(&table, &OrderTable::stateChanged, this, repaint);
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (logicalIndex >= m_table.viewRowCount()) {
        // A spare section (RowSlots): drawn as the header's empty end.
        QStyleOptionHeader option;
        initStyleOption(&option);
        option.rect = rect;
        style()->drawControl(QStyle::CE_HeaderEmptyArea, &option, painter, this);
        return;
    }
    painter->save();
    painter->fillRect(rect, palette().button());
    painter->setPen(palette().mid().color());
    painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    painter->drawLine(rect.topRight(), rect.bottomRight());
    if (logicalIndex == m_table.currentRow()) {
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(palette().windowText().color());
        painter->setBrush(palette().windowText());
        const QPointF c = QRectF(rect).center();
        switch (m_table.state()) {
        case TableState::Insert:
            painter->drawText(rect, Qt::AlignCenter, QStringLiteral("*"));
            break;
        case TableState::Edit:
            painter->drawText(rect, Qt::AlignCenter, QStringLiteral("I"));
            break;
        default: {
            QPainterPath triangle;
            triangle.moveTo(c.x() - 2, c.y() - 4);
            triangle.lineTo(c.x() + 2, c.y());
            triangle.lineTo(c.x() - 2, c.y() + 4);
            triangle.closeSubpath();
            painter->drawPath(triangle);
        }
        }
    }
    painter->restore();
}
