#include "photos/gui/PhotoArea.h"

#include <QMouseEvent>
#include <QPainter>

PhotoArea::PhotoArea(QWidget* parent) : QLabel(parent) {
    setScaledContents(true);
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Right Click To Select / Left Click To Enlarge"));
    setContextMenuPolicy(Qt::PreventContextMenu);
    setFixedSize(InitialWidth, Height);
}

// A click is a button released over the area, as with any push button.
void PhotoArea::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (!rect().contains(event->position().toPoint()))
        return;
    if (event->button() == Qt::LeftButton)
        emit clicked();
    else if (event->button() == Qt::RightButton)
        emit rightClicked();
}

// QLabel's own stretching keeps a copy of the picture at the full size of the
// widget, and a panorama can make the area millions of pixels wide. Painting
// the stretched picture through the painter only draws the visible part.
void PhotoArea::paintEvent(QPaintEvent* event) {
    const QPixmap picture = pixmap();
    if (picture.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(contentsRect(), picture);
}
