#pragma once
// The sort of the view by the grid's column titles: a click sorts by the
// clicked column, a second click on it the other way round; the title of the
// sort column is marked, and the window's sort column index (read by the
// export) follows the column's place on screen, where the user may have
// dragged it.
//
// The window owns one over its sort column index and calls:
//   DBGrid1TitleClick -> DBGrid1TitleClick(logicalColumn), from the grid
//                        header's sectionClicked
//   reset sort        -> reset(), at the end of start-up and by Add

class OrderGridModel;
class OrderTable;
class QHeaderView;
class QString;

class GridSort {
  public:
    GridSort(OrderTable& table, OrderGridModel& model, QHeaderView* header, int& sortColumnIndex);

    // Posts a pending line first; when that is refused nothing changes and
    // false is returned. Then the sort becomes the column's field, or the field
    // + " DESC" when the sort is exactly the field already.
    bool DBGrid1TitleClick(int logicalColumn);
    // Sort "key", the key title marked, index 0.
    void reset();

    static QString toggled(const QString& currentSort, const QString& field);

  private:
    OrderTable& m_table;
    OrderGridModel& m_model;
    QHeaderView* m_header;
    int& m_sortColumnIndex;
};
