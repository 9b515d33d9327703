#include "ui/StatusBar.h"

#include <QEvent>

bool StatusBar::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        QVector<int> heights = heightsAsked();
        if (heights == m_passedOn)
            return QWidget::event(event);
        m_passedOn = std::move(heights);
    }
    return QStatusBar::event(event);
}

QVector<int> StatusBar::heightsAsked() const {
    QVector<int> heights{fontMetrics().height()};
    for (const QWidget* item : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        heights << item->sizeHint().height() << item->minimumSizeHint().height() << item->minimumHeight()
                << item->maximumHeight() << int(item->sizePolicy().verticalPolicy()) << int(item->isHidden());
    }
    return heights;
}
