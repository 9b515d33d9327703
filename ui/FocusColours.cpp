#include "ui/FocusColours.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>

namespace FocusColours {

void paint(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, colour);
    palette.setColor(QPalette::Button, colour); // a non-editable combo box paints its face with Button
    widget->setPalette(palette);
    if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
        combo->lineEdit()->setPalette(palette);
}

void restore(QWidget* widget)
{
    const QPalette system = QApplication::palette(widget);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Base, system.color(QPalette::Base));
    palette.setColor(QPalette::Button, system.color(QPalette::Button));
    widget->setPalette(palette);
}

QColor background(const QWidget* widget)
{
    return widget->palette().color(QPalette::Base);
}

} // namespace FocusColours
