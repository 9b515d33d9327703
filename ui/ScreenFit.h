#pragma once
// Where the main window goes on a screen. The window manager adds a frame
// (title bar, borders) around the client area, so it is the frame, not the
// client area, that must lie inside the screen's available area: the
// designed client size where the area holds it with the frame around it,
// else what the area leaves; centred, but never with the title bar above the
// area's top or the bottom edge below its bottom.

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace ScreenFit {

struct Placement {
    QSize clientSize;
    QPoint frameTopLeft;
};

// frame: the margins the window manager adds on each side (none before the
// window is first shown).
Placement place(QSize designed, QMargins frame, QRect available);

} // namespace ScreenFit
