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
//   record editing        -> addMoney(), addPieces(), subtractLine() for the
//                            adjustments

#include "data/Currency.h"

#include <QtGlobal>

class OrderTable;
class QLineEdit;
class StatusPanels;
struct ViewSums;

class SummaryCounters {
  public:
    SummaryCounters(OrderTable& table, QLineEdit* eobstbr, QLineEdit* etotal, StatusPanels& panels);

    // Settles a pending line, then re-reads the view and writes its pieces
    // (integer text) and money (general number text) and the line count in
    // status panel 1; lines and sums come from one read of the register, so
    // they always agree. When the pending line is refused the previous
    // counters stay and false is returned.
    bool walk();
    // Writes sums read together with the view (a filter change).
    void show(const ViewSums& sums);

    // The counter mirror: the field's hint becomes its text, and status panel 2
    // (eobstbr) or 3 (etotal) repeats it. The field is told by its name.
    void eobstbrChange(QLineEdit* field);

    // Adjustments while a line is pending: the shown value plus delta, written
    // back. Money is read and added as a floating-point number, pieces as an
    // integer. False, with the field unchanged, when its text is not a number.
    // They are remembered until the line is stored, and taken back when it is
    // not (Cancel, a dropped line, a store the engine refused), so that the
    // counters always add up the stored lines of the view.
    bool addMoney(double delta);
    bool addPieces(qint64 delta);
    // A deleted line's stored share comes off the counters.
    void subtractLine(Currency money, qint64 received);

  private:
    bool add(double money, qint64 pieces);
    void takeBackPending();
    void withholdPending();
    void keepPending();

    OrderTable& m_table;
    QLineEdit* m_eobstbr;
    QLineEdit* m_etotal;
    StatusPanels& m_panels;
    // Adjusted since the line became pending, and taken back after an engine
    // refusal (to be added again once the line is stored).
    double m_pendingMoney = 0;
    qint64 m_pendingPieces = 0;
    double m_withheldMoney = 0;
    qint64 m_withheldPieces = 0;
};
