#pragma once
// The background colours a field takes when it gets or loses the focus. One
// place paints them, so every control kind (edit, list, memo) looks the same.

#include <QColor>

class QWidget;

namespace FocusColours {

inline const QColor Green{0xA5, 0xDB, 0x92};  // focused field, sort title
inline const QColor Red{0xFD, 0xB5, 0xB6};    // focused read-only field
inline const QColor Yellow{0xFE, 0xEB, 0x94}; // focused filter box

void paint(QWidget* widget, const QColor& colour);
// Back to the system window colour, unless the widget holds the focus.
void restore(QWidget* widget);
// The background colour the widget shows now.
QColor background(const QWidget* widget);

} // namespace FocusColours
