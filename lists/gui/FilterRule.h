#pragma once
// The filter of the view by supplier (cbfiltersup) and batch (cbbatch), its
// description in lrecalc and status panel 0, and the focus and key handling of
// the two filter boxes.
//
// The window owns one and calls:
//   cbfiltersupChange    -> cbfiltersupChange(), from both boxes' user change,
//                           after a supplier or batch list edit and after a
//                           post that leaves the supplier filter
//   start-up             -> presetBeforeOpen() before the table opens,
//                           showOpenedView() after
//   cbfiltersupEnter     -> cbfiltersupEnter(box), cbfiltersupExit -> cbfiltersupExit(box)
//   cbfiltersupKeyPress  -> cbfiltersupKeyPress(box, key)

#include <QString>

class OrderTable;
struct ViewSums;
class QComboBox;
class QLabel;
class StatusPanels;
class SummaryCounters;

class FilterRule {
  public:
    // What a pair of selections means: the filter text (empty: filter off)
    // and the caption of lrecalc.
    struct Choice {
        bool filtered = false;
        QString text;
        QString caption;
    };

    FilterRule(OrderTable& table, QComboBox* cbfiltersup, QComboBox* cbbatch, QLabel* lrecalc,
               StatusPanels& panels, SummaryCounters& counters);

    // x with every single quote doubled, enclosed in single quotes: Ann's -> 'Ann''s'.
    static QString quoted(const QString& text);
    // Position 0 of each box means no condition on its field; allText is the
    // text of position 0 of the supplier box.
    static Choice choose(int supplierIndex, const QString& supplier, int batchIndex, const QString& batch,
                         const QString& allText);

    // Applies the boxes' selections to the view, then describes it and runs the
    // summary walk. When the first switch of the filter is refused (the pending
    // line fails its checks) filter, caption, status texts and counters stay
    // as they were and false is returned.
    bool cbfiltersupChange();
    // Gives the closed table the filter the boxes stand on, so that opening it
    // reads the view the boxes ask for at once instead of every line first.
    void presetBeforeOpen();
    // After the table opened on that filter with the view's sums: describes
    // the view and shows its counters as the rule does, without reading the
    // view again.
    void showOpenedView(const ViewSums& sums);

    // Yellow, then the pending line is posted.
    void cbfiltersupEnter(QComboBox* box);
    void cbfiltersupExit(QComboBox* box);
    // The space bar opens the list; the key is then handled as usual.
    void cbfiltersupKeyPress(QComboBox* box, int key);

  private:
    Choice currentChoice() const;
    // read: whether the view was re-read (with its sums into sums).
    bool apply(const Choice& choice, ViewSums* sums, bool* read);
    void describe(const Choice& choice);

    OrderTable& m_table;
    QComboBox* m_cbfiltersup;
    QComboBox* m_cbbatch;
    QLabel* m_lrecalc;
    StatusPanels& m_panels;
    SummaryCounters& m_counters;
};
