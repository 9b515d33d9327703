#include "app/FindBar.h"

#include "app/FormKeys.h"
#include "ui/OneLineValidator.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FindBar::FindBar(OrderTable& table, QWidget* afterClose, QWidget* parent)
    : QWidget(parent), m_table(table), m_afterClose(afterClose) {
    setObjectName(QStringLiteral("FindBar"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    auto* caption = new QLabel(QStringLiteral("Find"), this);
    caption->setToolTip(QStringLiteral("Търси"));
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("FindField"));
    m_field->setToolTip(FormKeys::hintWithKeys(QStringLiteral("Търси"), {QStringLiteral("Ctrl+F")}));
    m_field->setAccessibleName(QStringLiteral("Find"));
    // The searched text is one line: a pasted break becomes a blank.
    m_field->setValidator(new OneLineValidator(m_field));
    m_field->setFixedWidth(200);
    caption->setBuddy(m_field);
    m_next = new QPushButton(QStringLiteral("Next"), this);
    m_next->setObjectName(QStringLiteral("FindNext"));
    m_next->setToolTip(
        FormKeys::hintWithKeys(QStringLiteral("Следващ"), {QStringLiteral("F3"), QStringLiteral("Enter")}));
    m_previous = new QPushButton(QStringLiteral("Previous"), this);
    m_previous->setObjectName(QStringLiteral("FindPrevious"));
    m_previous->setToolTip(FormKeys::hintWithKeys(
        QStringLiteral("Предходен"), {QStringLiteral("Shift+F3"), QStringLiteral("Shift+Enter")}));
    for (QPushButton* button : {m_next, m_previous}) {
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::NoFocus); // the field keeps the focus: typing goes on
    }
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("FindResult"));
    m_wrapped = new QLabel(this);
    m_wrapped->setObjectName(QStringLiteral("FindWrapped"));
    row->addWidget(caption);
    row->addWidget(m_field);
    row->addWidget(m_next);
    row->addWidget(m_previous);
    row->addWidget(m_result);
    row->addWidget(m_wrapped, 1);
    m_field->installEventFilter(this);
    connect(m_field, &QLineEdit::textEdited, this, [this] { find(OrderTable::FindFrom::Current); });
    connect(m_next, &QPushButton::clicked, this, &FindBar::findNext);
    connect(m_previous, &QPushButton::clicked, this, &FindBar::findPrevious);
    hide();
}

void FindBar::open() {
    show();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void FindBar::close() {
    m_wrapped->clear();
    if (m_field->hasFocus())
        m_afterClose->setFocus(Qt::OtherFocusReason);
    hide();
}

void FindBar::findNext() {
    if (m_field->text().isEmpty())
        open();
    else
        find(OrderTable::FindFrom::Next);
}

void FindBar::findPrevious() {
    if (m_field->text().isEmpty())
        open();
    else
        find(OrderTable::FindFrom::Previous);
}

QString FindBar::resultText() const {
    return m_result->text();
}

QString FindBar::wrappedText() const {
    return m_wrapped->text();
}

void FindBar::find(OrderTable::FindFrom from) {
    m_wrapped->clear();
    const QString text = m_field->text();
    if (text.isEmpty()) {
        m_result->clear();
        return;
    }
    // As the navigation buttons do: the field being left runs its exit step
    // before the table moves (F3 may come from any field of the form).
    if (!isVisible())
        show();
    m_field->setFocus(Qt::OtherFocusReason);
    OrderTable::Found found;
    if (!m_table.find(text, from, &found))
        return; // the refusal said why; the clerk stays on the line
    if (found.row < 0) {
        m_result->setText(QStringLiteral("No match"));
        return;
    }
    m_result->setText(found.count == 1 ? QStringLiteral("1 line")
                                       : QStringLiteral("%1 lines").arg(found.count));
    if (found.wrapped)
        m_wrapped->setText(from == OrderTable::FindFrom::Previous
                               ? QStringLiteral("Find went on from the last line")
                               : QStringLiteral("Find went on from the first line"));
    m_table.moveTo(found.row);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_field ||
        (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool plain = (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == Qt::NoModifier;
    if (!(key->key() == Qt::Key_Escape || enter) || !plain)
        return QWidget::eventFilter(watched, event);
    // Escape and Enter in the field are the bar's, not the window's keys.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (key->key() == Qt::Key_Escape)
        close();
    else if (key->modifiers() & Qt::ShiftModifier)
        findPrevious();
    else
        findNext();
    return true;
}
