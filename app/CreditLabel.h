#pragma once
// The credit line at the top left: bold, a hand cursor, and a hover colour;
// a click opens the about page, installed beside the program, through the
// desktop.

#include <QLabel>

class CreditLabel : public QLabel {
    Q_OBJECT
  public:
    // The about page's file name in the application directory.
    static constexpr const char* PageFile = "about.html";

    explicit CreditLabel(const QString& text, QWidget* parent = nullptr);

  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    // Label20MouseEnter / Label20MouseLeave
    void setHovered(bool hovered);
};
