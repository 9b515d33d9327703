#pragma once
// The find bar under the grid: a field, Next and Previous, and beside them
// how many lines of the view hold the text, or that none does. Typing finds
// the first matching line from the current one on; Next (F3, Enter) and
// Previous (Shift+F3, Shift+Enter) step from it, wrapping at the ends of the
// view with a word beside the count. Escape closes the bar.
//
// The word stands in the bar, not in the status bar: at the window's
// designed width the status bar has no room beside its five panels, and a
// label there would squeeze them.
//
// A find is a move: the order table stores a pending line first, and a
// refused store ends the find on the line where the clerk was, with the
// refusal's message. Which lines match is the engine's answer to one query
// per step (OrderTable::find); the bar only shows it and moves there.

#include "data/OrderTable.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

class FindBar : public QWidget {
    Q_OBJECT
  public:
    // afterClose: where the focus goes when the bar closes.
    FindBar(OrderTable& table, QWidget* afterClose, QWidget* parent = nullptr);

    // Shows the bar with the focus in its field, the text selected.
    void open();
    void close();
    // F3 and Shift+F3: with no text yet they open the bar instead.
    void findNext();
    void findPrevious();

    QLineEdit* field() const { return m_field; }
    QPushButton* nextButton() const { return m_next; }
    QPushButton* previousButton() const { return m_previous; }
    // "12 lines", "No match", or empty before a find.
    QString resultText() const;
    // The word that the last step went on past an end of the view; empty when it did not.
    QString wrappedText() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void find(OrderTable::FindFrom from);

    OrderTable& m_table;
    QWidget* m_afterClose;
    QLineEdit* m_field;
    QPushButton* m_next;
    QPushButton* m_previous;
    QLabel* m_result;
    QLabel* m_wrapped;
};
