#pragma once
// The minimal grid of the references, set up like the program's grid so that
// both paint the same number of cells: the program's font, 72-pixel columns,
// 18-pixel rows, and the size of the grid in the main window.

#include <QTableView>

class ReferenceGrid : public QTableView {
    Q_OBJECT
  public:
    static constexpr int Width = 1016;
    static constexpr int Height = 437;

    explicit ReferenceGrid(QAbstractItemModel* model, QWidget* parent = nullptr);
};
