#include "bench/PaintWaiter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QWidget>

PaintWaiter::PaintWaiter(QWidget* widget) : QObject(widget), m_widget(widget) {
    widget->installEventFilter(this);
}

bool PaintWaiter::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint)
        ++m_paints;
    return false;
}

bool PaintWaiter::updateAndWait() {
    const int before = m_paints;
    m_widget->update();
    const QDeadlineTimer deadline(2000);
    while (m_paints == before && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    // Let the paint finish (the filter sees the event before it is handled).
    QCoreApplication::processEvents();
    return m_paints != before;
}
