#include "app/PressEndWaiter.h"

#include <QCoreApplication>
#include <QEvent>

PressEndWaiter::PressEndWaiter(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

PressEndWaiter::~PressEndWaiter() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool PressEndWaiter::eventFilter(QObject*, QEvent* event) {
    const QEvent::Type type = event->type();
    if (!m_ended && (type == QEvent::MouseButtonRelease || type == QEvent::KeyPress)) {
        // The release itself is delivered first (it makes the click); the
        // listener runs after it.
        m_ended = true;
        emit pressEnded();
        deleteLater();
    }
    return false;
}
