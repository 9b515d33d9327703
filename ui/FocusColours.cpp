#include "ui/FocusColours.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>

namespace FocusColours {

void paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    // A new palette is sent through the widget and all its parts (a combo box
    // builds a menu to read its colours): worth it only for a change.
    if (palette.color(QPalette::Base) == colour && palette.color(QPalette::Button) == colour)
        return;
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour); // a non-editable combo box paints its face with Button
    widget->setPalette(palette);
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        combo->lineEdit()->setPalette(palette);
}

void restore(QWidget* widget) {
    // A field that keeps the focus keeps its colour: a store runs the exit
    // step of the focused field and enters it again at once.
    if (widget->hasFocus())
        return;
    const QPalette system = QApplication::palette(widget);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, system.color(QPalette::Base));
    palette.setColor(QPalette::Button, system.color(QPalette::Button));
    widget->setPalette(palette);
}

QColor background(const QWidget* widget) {
    return widget->palette().color(QPalette::Base);
}

} // namespace FocusColours
