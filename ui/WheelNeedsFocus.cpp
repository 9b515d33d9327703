#include "ui/WheelNeedsFocus.h"

#include <QEvent>
#include <QWidget>

namespace {

class Filter : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Wheel)
            return false;
        const auto* widget = static_cast<QWidget*>(watched);
        return !widget->hasFocus();
    }
};

} // namespace

void WheelNeedsFocus::install(QWidget* widget) {
    if (widget->focusPolicy() == Qt::WheelFocus)
        widget->setFocusPolicy(Qt::StrongFocus);
    widget->installEventFilter(new Filter(widget));
}
