#include "ui/StatusPanel.h"

#include <QPainter>
#include <QStyle>

StatusPanel::StatusPanel(int width, QWidget* parent) : QLabel(parent), m_width(width) {
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    if (width > 0)
        setMaximumWidth(width);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize StatusPanel::sizeHint() const {
    if (m_width > 0)
        return QSize(m_width, QLabel::sizeHint().height());
    return minimumSizeHint();
}

QSize StatusPanel::minimumSizeHint() const {
    // The panel that takes the rest asks for about ten characters, so that
    // the others keep their set widths in a window of the designed size and
    // it still says something in a narrow one. The others give way down to
    // the ellipsis: no panel pushes the window wider.
    const int characters = m_width > 0 ? 0 : 10;
    const int room = characters * fontMetrics().averageCharWidth() + fontMetrics().horizontalAdvance(u'…');
    return QSize(2 * (frameWidth() + margin()) + indentation() + room, QLabel::minimumSizeHint().height());
}

int StatusPanel::indentation() const {
    // As QLabel places its text: inside the frame, half an "x" in from it.
    return frameWidth() > 0 ? fontMetrics().horizontalAdvance(u'x') / 2 : 0;
}

QRect StatusPanel::textRect() const {
    return contentsRect().adjusted(margin() + indentation(), margin(), -margin(), -margin());
}

QString StatusPanel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRect().width());
}

void StatusPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, textRect(), int(alignment()), palette(), isEnabled(), shownText(),
                          foregroundRole());
}
