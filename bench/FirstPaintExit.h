#pragma once
// Ends the process right after the first paint of a widget, so that a start-up
// benchmark times the way from process start to a painted window and nothing of
// the teardown. The exit is queued: it runs once the paint that triggered it
// has been flushed to the window's backing store.

#include <QObject>

class QWidget;

class FirstPaintExit : public QObject {
    Q_OBJECT
  public:
    static void install(QWidget* widget);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    explicit FirstPaintExit(QObject* parent) : QObject(parent) {}
    bool m_armed = true;
};
