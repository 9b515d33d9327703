#pragma once
// A pick box changes its value by the mouse wheel only while it has the
// keyboard focus. A wheel turned over a box the user is not working in
// (scrolling past the form, the pointer resting on it) would otherwise pick
// another entry, and the next store would keep it without a word.

class QWidget;

namespace WheelNeedsFocus {

// The wheel no longer gives the widget the focus, and turns it only while it
// has the focus; otherwise the turn is dropped.
void install(QWidget* widget);

} // namespace WheelNeedsFocus
