#pragma once
// The grid DBGrid1: the view of the order table, read-only, with a row
// indicator. The current row follows the table and the table follows a click.
// Ctrl+Delete asks and deletes the current line; leaving the grid drops an
// untouched new line.

#include <QTableView>

class Dialogs;
class OrderTable;
class OrderGridModel;
class RowSlots;

class OrderGrid : public QTableView {
    Q_OBJECT
  public:
    OrderGrid(OrderTable& table, Dialogs& dialogs, QWidget* parent = nullptr);
    OrderGridModel* orderModel() const { return m_model; }
    // Whole rows highlighted (true) or single cells.
    void setRowSelect(bool on);
    // Puts the grid's current row on the table's current line.
    void followTable();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    // A press selects the row under the pointer after it asked the table to
    // move there; when the move was refused, the grid goes back to the line
    // the form holds.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The row header's spare sections (RowSlots) lie below the last row:
    // nothing is painted there and the view does not scroll into them.
    void paintEvent(QPaintEvent* event) override;
    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;

  private:
    // The grid row of the table's line (the pending new line is the last).
    int tableRow() const;
    // Whether index is the current cell and it (or its row, with rows) is
    // all that is selected.
    bool marksOnly(const QModelIndex& index, bool rows) const;
    // Follows the table when the grid marks another row than the table's.
    void keepOnTableLine();
    // The scroll range of the rows alone (what QTableView sets counts the
    // header's spare sections too).
    void setScrollRange();
    // Scrolled to the end, the last row ends at the bottom (Qt would put the
    // header's last section there, a spare one).
    void endOnLastRow();

    OrderTable& m_table;
    Dialogs& m_dialogs;
    OrderGridModel* m_model;
    RowSlots* m_rowSlots;
    bool m_following = false;
};
