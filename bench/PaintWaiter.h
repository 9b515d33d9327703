#pragma once
// Waits until a widget has really been painted, the way the running program
// gets there: an update is requested and the event loop runs until the paint
// event has been delivered. Lets the benchmarks include the grid's repaint in
// an operation's time without painting twice.

#include <QObject>

class QWidget;

class PaintWaiter : public QObject {
    Q_OBJECT
  public:
    explicit PaintWaiter(QWidget* widget);
    // Requests an update and runs the event loop until the next paint is done.
    // Returns false when no paint came within two seconds.
    bool updateAndWait();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* m_widget;
    int m_paints = 0;
};
