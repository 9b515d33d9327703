#include "app/FieldBinding.h"

#include "app/FocusExit.h"
#include "app/PressEndWaiter.h"
#include "data/FieldCodec.h"
#include "data/OrderTable.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

FieldBinding::FieldBinding(QWidget* control, OrderTable& table, OrderColumns::Index column)
    : QObject(control), m_control(control), m_table(table), m_columnIndex(column) {
    m_table.addDataLink(this);
    connect(&m_table, &OrderTable::dataChanged, this, &FieldBinding::onDataChanged);
    // Back in Browse the table reports a data change of the whole line
    // next, which shows it: refreshing here as well showed it twice.
    connect(&m_table, &OrderTable::stateChanged, this, [this](TableState state) {
        if (state == TableState::Inactive)
            refresh();
    });
}

FieldBinding::~FieldBinding() {
    m_table.removeDataLink(this);
}

void FieldBinding::setTextAccess(std::function<QString()> read, std::function<void(const QString&)> show) {
    m_read = std::move(read);
    m_show = std::move(show);
}

bool FieldBinding::userEdited() {
    if (m_showing)
        return true;
    const TableState state = m_table.state();
    if (state == TableState::Inactive) {
        refresh();
        return false;
    }
    if (state == TableState::Browse) {
        // edit() reports a data change that would show the stored value over
        // the typed one; keep the typed text across it.
        const QString typed = m_read();
        m_dirty = true;
        if (!m_table.edit()) {
            m_dirty = false;
            refresh();
            return false;
        }
        if (m_read() != typed) {
            m_showing = true;
            m_show(typed);
            m_showing = false;
        }
    }
    m_dirty = true;
    return true;
}

bool FieldBinding::commitPendingText() {
    // An action asked for the store: a text it cannot take says why, also
    // when it was refused before.
    if (!writeText(true))
        return false;
    if (m_inside && !s_restoringFocus) {
        emit exited();
        emit entered();
    }
    return true;
}

QString FieldBinding::caption() const {
    const QString name = m_control->accessibleName();
    return name.isEmpty() ? column() : name;
}

bool FieldBinding::refuse(const QString& text, const QString& reason) {
    m_hasRefused = true;
    m_refusedText = text;
    m_refusal = caption() + QStringLiteral(": ") + reason;
    m_table.reportError(m_refusal);
    return false;
}

bool FieldBinding::writeText(bool sayAgain) {
    if (!m_dirty)
        return true;
    const QString text = m_read();
    if (m_hasRefused && text == m_refusedText) {
        // Leaving the field again needs no second word; an action does.
        if (sayAgain)
            m_table.reportError(m_refusal);
        return false;
    }
    const ColumnType type = OrderColumns::at(m_columnIndex).type;
    const bool number = type == ColumnType::Integer || type == ColumnType::Currency;
    // An emptied number field holds no value, as in a freshly added line.
    const QVariant typed = number && text.trimmed().isEmpty() ? QVariant() : QVariant(text);
    QVariant value;
    QString reason;
    if (!FieldCodec::fromInput(typed, m_columnIndex, &value, &reason))
        return refuse(text, reason);
    const QVariant before = m_table.value(m_columnIndex);
    if (!m_table.setValue(m_columnIndex, value))
        return false; // not pending (the table said so)
    if (m_check && !m_check(&reason)) {
        // The line takes back its value, so nothing derived from the refused
        // one can be stored; the field keeps showing what was typed.
        m_table.setValue(m_columnIndex, before);
        m_showing = true;
        m_show(text);
        m_showing = false;
        m_dirty = true;
        return refuse(text, reason);
    }
    m_hasRefused = false;
    m_dirty = false;
    return true;
}

void FieldBinding::refresh() {
    m_dirty = false;
    m_hasRefused = false;
    const QString text = m_table.isActive() ? m_table.asString(m_columnIndex) : QString();
    if (m_read() == text)
        return;
    m_showing = true;
    m_show(text);
    m_showing = false;
}

void FieldBinding::onDataChanged(int column) {
    if (column == m_columnIndex) {
        refresh();
        return;
    }
    // A move or re-read shows the new line; typed text survives only while its
    // own line is still pending.
    const bool pending = m_table.state() == TableState::Edit || m_table.state() == TableState::Insert;
    if (column < 0 && !(m_dirty && pending))
        refresh();
}

bool FieldBinding::s_restoringFocus = false;

void FieldBinding::focusEntered(const QFocusEvent*) {
    // The first focus after the window opens counts as entering; coming back
    // from another window or a message box does not, nor does the field the
    // focus passes through while it returns to a field that refused its text.
    if (m_inside || s_restoringFocus)
        return;
    m_inside = true;
    emit entered();
}

void FieldBinding::focusLeft(const QFocusEvent* event) {
    if (!isFieldExit(event) || !m_inside || s_restoringFocus)
        return;
    // The focus goes to a control that abandons the pending changes (Cancel):
    // nothing typed is checked or derived, so a refused text cannot stop it.
    if (const QWidget* next = QApplication::focusWidget(); next && next->property(AbandonsChanges).toBool()) {
        m_inside = false;
        return;
    }
    // Set before the text is written: a refusal shows a message box, and the
    // field the user was going to must not count as entered meanwhile.
    s_restoringFocus = true;
    if (writeText(false)) {
        s_restoringFocus = false;
        m_inside = false;
        emit exited();
        return;
    }
    // The refused text stays and so does the focus: the field is not left.
    takeFocusBack();
}

void FieldBinding::takeFocusBack() {
    const auto restore = [this] {
        QTimer::singleShot(0, m_control, [this] {
            m_control->setFocus(Qt::OtherFocusReason);
            s_restoringFocus = false;
        });
    };
    // A press on a button (Apply, Next, Export ...) took the focus and the
    // button is still held. Taking the focus back now would release the
    // button without a click, and the action, which says why it cannot go
    // on, would never run: the user would see nothing happen. So the focus
    // comes back once the press is over.
    if (QGuiApplication::mouseButtons() == Qt::NoButton) {
        restore();
        return;
    }
    auto* waiter = new PressEndWaiter(m_control);
    connect(waiter, &PressEndWaiter::pressEnded, m_control, restore);
}
