#pragma once
// The narrow column left of the grid that marks the current line: a triangle
// while browsing, an I-beam while editing, an asterisk for a new line.

#include <QHeaderView>

class OrderTable;

class RowIndicator : public QHeaderView {
    Q_OBJECT
  public:
    RowIndicator(OrderTable& table, QWidget* parent = nullptr);

    // Fixed: Qt would otherwise measure every row's section after each change
    // of the row count, which costs milliseconds on a million lines.
    QSize sizeHint() const override { return QSize(12, defaultSectionSize()); }

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

  private:
    OrderTable& m_table;
};
