#include "app/FieldBinding.h"

#include "app/FocusExit.h"
#include "data/OrderTable.h"

#include <QTimer>

#include <QWidget>

FieldBinding::FieldBinding(QWidget* control, OrderTable& table, const QString& column)
    : QObject(control), m_control(control), m_table(table), m_column(column),
      m_columnIndex(OrderColumns::indexOf(column))
{
    Q_ASSERT(m_columnIndex >= 0);
    m_table.addDataLink(this);
    connect(&m_table, &OrderTable::dataChanged, this, &FieldBinding::onDataChanged);
    connect(&m_table, &OrderTable::stateChanged, this, [this](TableState state) {
        if (state == TableState::Inactive || state == TableState::Browse)
            refresh();
    });
}

FieldBinding::~FieldBinding()
{
    m_table.removeDataLink(this);
}

void FieldBinding::setTextAccess(std::function<QString()> read, std::function<void(const QString&)> show)
{
    m_read = std::move(read);
    m_show = std::move(show);
}

bool FieldBinding::userEdited()
{
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

bool FieldBinding::commitPendingText()
{
    if (!writeText())
        return false;
    if (m_inside && !s_restoringFocus) {
        emit exited();
        emit entered();
    }
    return true;
}

bool FieldBinding::writeText()
{
    if (!m_dirty)
        return true;
    const QString text = m_read();
    // A text already refused stays refused without a second message, so the
    // action that asked for the store simply does not happen.
    if (m_hasRefused && text == m_refusedText)
        return false;
    const ColumnType type = OrderColumns::at(m_columnIndex).type;
    const bool number = type == ColumnType::Integer || type == ColumnType::Currency;
    // An emptied number field holds no value, as in a freshly added line.
    const QVariant value = number && text.trimmed().isEmpty() ? QVariant() : QVariant(text);
    const QVariant before = m_table.value(m_columnIndex);
    bool accepted = m_table.setValue(m_columnIndex, value);
    if (accepted && m_check && !m_check()) {
        // The line takes back its value, so nothing derived from the refused
        // one can be stored; the field keeps showing what was typed.
        m_table.setValue(m_columnIndex, before);
        m_showing = true;
        m_show(text);
        m_showing = false;
        m_dirty = true;
        accepted = false;
    }
    if (!accepted) {
        m_hasRefused = true;
        m_refusedText = text;
        return false;
    }
    m_hasRefused = false;
    m_dirty = false;
    return true;
}

void FieldBinding::refresh()
{
    m_dirty = false;
    m_hasRefused = false;
    const QString text = m_table.isActive() ? m_table.asString(m_column) : QString();
    if (m_read() == text)
        return;
    m_showing = true;
    m_show(text);
    m_showing = false;
}

void FieldBinding::onDataChanged(int column)
{
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

void FieldBinding::focusEntered(const QFocusEvent*)
{
    // The first focus after the window opens counts as entering; coming back
    // from another window or a message box does not, nor does the field the
    // focus passes through while it returns to a field that refused its text.
    if (m_inside || s_restoringFocus)
        return;
    m_inside = true;
    emit entered();
}

void FieldBinding::focusLeft(const QFocusEvent* event)
{
    if (!isFieldExit(event) || !m_inside || s_restoringFocus)
        return;
    // Set before the text is written: a refusal shows a message box, and the
    // field the user was going to must not count as entered meanwhile.
    s_restoringFocus = true;
    if (writeText()) {
        s_restoringFocus = false;
        m_inside = false;
        emit exited();
        return;
    }
    // The refused text stays and so does the focus: the field is not left.
    QTimer::singleShot(0, m_control, [this] {
        m_control->setFocus(Qt::OtherFocusReason);
        s_restoringFocus = false;
    });
}
