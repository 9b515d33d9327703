#pragma once
// The keys of the record form, for a clerk who fills lines without the mouse:
// Ctrl+Enter and Ctrl+S press Apply, Escape presses Cancel while a line is
// pending. A key presses its button as a click does (the button takes the
// focus first, so the field being left runs its exit step), so it never does
// more or less than the button. The keys are named in the buttons' hints.
//
// Escape belongs to Cancel only while a line is pending, so that in browse
// mode it stays with whatever else uses it; an open list takes it first (its
// pop-up has the keyboard), and closes without cancelling anything.

#include "data/OrderTable.h"

#include <QObject>

class QPushButton;
class QShortcut;
class QWidget;

class FormKeys : public QObject {
    Q_OBJECT
  public:
    FormKeys(QWidget* window, QPushButton* apply, QPushButton* cancel);

    // Called with every state of the table.
    void follow(TableState state);

    // What a key of the window does: the button takes the focus, then is clicked.
    static void press(QPushButton* button);
    // "hint (key, key)": the hint with the keys that press its button.
    static QString hintWithKeys(const QString& hint, const QStringList& keys);

  private:
    QShortcut* m_cancel;
};
