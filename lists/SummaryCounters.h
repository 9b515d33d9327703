#pragma once
// The summary counters: the pieces count in eobstbr and the money summary in
// etotal. Their shown text is their only state; the adjustments made when a
// line is stored, changed or deleted read it back, add one line's share and
// write it again, and the summary walk recomputes both over the whole view.
//
// The window owns one and calls:
//   Button4Click          -> walk()
//   eobstbrChange         -> eobstbrChange(field), connected to textChanged of
//                            both eobstbr and etotal
//   record editing        -> addMoney(), addPieces() for the adjustments

#include <QtGlobal>

class OrderTable;
class QLineEdit;
class StatusPanels;

class SummaryCounters {
public:
    SummaryCounters(OrderTable& table, QLineEdit* eobstbr, QLineEdit* etotal, StatusPanels& panels);

    // Settles a pending line, then writes the view's pieces (integer text) and
    // money (general number text) and the line count in status panel 1. The
    // sums come from one aggregate query over the view, so the current line
    // never moves and bound controls are not redrawn. When the pending line is
    // refused the previous counters stay and false is returned.
    bool walk();

    // The counter mirror: the field's hint becomes its text, and status panel 2
    // (eobstbr) or 3 (etotal) repeats it. The field is told by its name.
    void eobstbrChange(QLineEdit* field);

    // Adjustments: the shown value plus delta, written back. Money is read and
    // added as a floating-point number, pieces as an integer. False, with the
    // field unchanged, when its text is not a number.
    bool addMoney(double delta);
    bool addPieces(qint64 delta);

private:
    OrderTable& m_table;
    QLineEdit* m_eobstbr;
    QLineEdit* m_etotal;
    StatusPanels& m_panels;
};
