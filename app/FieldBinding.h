#pragma once
// Binds one control to one column of the order table: shows the current
// line's value, puts the table into edit when the user types, and writes the
// typed text into the column when asked (focus leaves, or before any store).
// The control classes (DBEdit, DBComboBox, DBMemo) own one binding each and
// only tell it how to read and show their text.

#include "data/DataLink.h"
#include "data/OrderColumns.h"

#include <QObject>
#include <QString>
#include <functional>

class OrderTable;
class QFocusEvent;
class QWidget;

class FieldBinding : public QObject, public DataLink {
    Q_OBJECT
  public:
    FieldBinding(QWidget* control, OrderTable& table, OrderColumns::Index column);
    ~FieldBinding() override;

    void setTextAccess(std::function<QString()> read, std::function<void(const QString&)> show);
    // Runs after the typed text was written into the column. False, with
    // the reason set, says the value cannot be taken: the text is refused as
    // an unreadable one is, with that reason.
    void setValueCheck(std::function<bool(QString* reason)> check) { m_check = std::move(check); }
    // A control with this property set abandons the pending changes (Cancel):
    // moving the focus to it leaves a field without checking its text.
    static constexpr const char* AbandonsChanges = "abandonsPendingChanges";
    QString column() const { return OrderColumns::name(m_columnIndex); }
    OrderColumns::Index columnIndex() const { return m_columnIndex; }
    OrderTable& table() const { return m_table; }

    // The user changed the text: the table enters edit (or starts a new line on
    // an empty view). Returns false when it cannot; the control then shows the
    // stored value again.
    bool userEdited();
    // Before a store: writes the typed text into the column and, while the
    // control holds the focus, runs its exit step and enters it anew, so that
    // what is derived from it (money from a price) is stored with it, whatever
    // asked for the store. False when the text is refused (the user was told
    // why); the control keeps its text and the focus.
    bool commitPendingText() override;
    bool isDirty() const { return m_dirty; }
    // Shows the current line's value and forgets typed text.
    void refresh();

    // Called by the control's focus handlers. Leaving writes the typed text;
    // a refused text takes the focus back and exited() is not emitted.
    void focusEntered(const QFocusEvent* event);
    void focusLeft(const QFocusEvent* event);
    // True while the focus is on its way back to a field that refused its
    // text; other controls then run no enter or exit steps.
    static bool restoringFocus() { return s_restoringFocus; }

  signals:
    void entered();
    void exited();

  private:
    void onDataChanged(int column);
    // sayAgain: a text refused before is reported again (an action asked).
    bool writeText(bool sayAgain);
    bool refuse(const QString& text, const QString& reason);
    // After a refused text: the focus returns to the field.
    void takeFocusBack();
    QString caption() const; // what the user reads above the field

    QWidget* m_control;
    OrderTable& m_table;
    OrderColumns::Index m_columnIndex;
    bool m_dirty = false;
    bool m_showing = false;
    bool m_inside = false; // between entered() and exited()
    bool m_hasRefused = false;
    QString m_refusedText;
    static bool s_restoringFocus;
    std::function<QString()> m_read;
    std::function<void(const QString&)> m_show;
    std::function<bool(QString* reason)> m_check;
    QString m_refusal; // the message of the refused text
};
