#pragma once
// The photo area Image1: shows a picture stretched to its own size, which the
// viewer sets (the height stays 185, the width follows the photo). A left
// click asks to enlarge the photo, a right click to attach one; the area has
// no context menu of its own.

#include <QLabel>

class PhotoArea : public QLabel {
    Q_OBJECT
  public:
    static constexpr int Height = 185;
    static constexpr int InitialWidth = 169;

    explicit PhotoArea(QWidget* parent = nullptr);

  signals:
    void clicked();
    void rightClicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
