#include "ui/TextFit.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>

#include <cmath>

namespace {

// Below this a text is no longer read at a glance.
constexpr qreal FloorPoints = 6.0;
constexpr qreal StepPoints = 0.5;
// QLineEdit keeps this much space either side of its text; it scrolls once
// the text and two pixels more (a gap and the cursor) no longer fit between.
constexpr int LineEditMargin = 2;
constexpr int CursorRoom = 2;

// The largest font, from the widget's own size down to the floor, in which
// the text takes at most room pixels.
QFont fitted(const QFont& own, const QString& text, int room) {
    QFont font = own;
    if (own.pointSizeF() <= 0)
        return font; // a pixel-sized font: left as it is
    for (qreal size = own.pointSizeF(); size >= FloorPoints; size -= StepPoints) {
        font.setPointSizeF(size);
        if (std::ceil(QFontMetricsF(font).horizontalAdvance(text)) <= room)
            break;
    }
    return font;
}

// Remembers the field's own font and refits on every change of its text or size.
class FieldFitter : public QObject {
  public:
    explicit FieldFitter(QLineEdit* field) : QObject(field), m_field(field), m_own(field->font()) {
        field->installEventFilter(this);
        QObject::connect(field, &QLineEdit::textChanged, this, [this] { fit(); });
        fit();
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_field && event->type() == QEvent::Resize)
            fit();
        return QObject::eventFilter(watched, event);
    }

  private:
    void fit() {
        const QFont font = fitted(m_own, m_field->text(), TextFit::textRoom(m_field));
        if (font != m_field->font())
            m_field->setFont(font);
    }

    QLineEdit* m_field;
    QFont m_own;
};

} // namespace

namespace TextFit {

void keepWhole(QLineEdit* field) {
    new FieldFitter(field);
}

void fitCaption(QPushButton* button) {
    button->setFont(fitted(button->font(), button->text(), captionRoom(button)));
}

int textRoom(const QLineEdit* field) {
    QStyleOptionFrame option;
    option.initFrom(field);
    option.rect = field->contentsRect();
    option.lineWidth =
        field->hasFrame() ? field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (field->isReadOnly())
        option.state |= QStyle::State_ReadOnly;
    option.features = QStyleOptionFrame::None;
    const QRect contents = field->style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, field)
                               .marginsRemoved(field->textMargins());
    return contents.width() - 2 * LineEditMargin - CursorRoom;
}

int captionRoom(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.features = QStyleOptionButton::None;
    if (button->autoDefault())
        option.features |= QStyleOptionButton::AutoDefaultButton;
    if (button->isDefault())
        option.features |= QStyleOptionButton::DefaultButton;
    return button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
}

} // namespace TextFit
