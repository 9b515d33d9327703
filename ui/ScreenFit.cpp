#include "ScreenFit.h"

#include <QtGlobal>

namespace ScreenFit {

Placement place(QSize designed, QMargins frame, QRect available) {
    const QSize client = designed.boundedTo(available.size().shrunkBy(frame)).expandedTo(QSize(1, 1));
    QRect outer(QPoint(), client.grownBy(frame));
    outer.moveCenter(available.center());
    outer.moveTopLeft(QPoint(qMax(outer.left(), available.left()), qMax(outer.top(), available.top())));
    return {client, outer.topLeft()};
}

} // namespace ScreenFit
