#include "app/CreditLabel.h"

#include <QMouseEvent>

CreditLabel::CreditLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setCursor(Qt::PointingHandCursor);
    QFont f = font();
    f.setBold(true);
    f.setUnderline(true);
    setFont(f);
}

void CreditLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

void CreditLabel::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    setHovered(true);
}

void CreditLabel::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    setHovered(false);
}

void CreditLabel::setHovered(bool hovered) {
    QPalette p = palette();
    p.setColor(QPalette::WindowText,
               hovered ? QColor(0xCB, 0x0E, 0x04) : QPalette().color(QPalette::WindowText));
    setPalette(p);
    QFont f = font();
    f.setBold(true);
    f.setUnderline(hovered);
    setFont(f);
}
