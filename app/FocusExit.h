#pragma once
// When a control's focus-out counts as leaving the field. Switching to another
// window, opening a pop-up list or a message box does not: the field is still
// the one being edited.

#include <QFocusEvent>

inline bool isFieldExit(const QFocusEvent* event) {
    return event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason;
}
