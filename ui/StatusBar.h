#pragma once
// The window's status bar, without QStatusBar's repaint of itself at every
// new text of a panel.
//
// A label's new text asks its parents for a new layout, since its size may
// depend on its text, and QStatusBar answers every such request by painting
// itself whole again, every panel included: a second paint of the bar after
// each step that changes a counter, once the window has already been painted.
// The sizes the bar's height is made of are compared with those of the last
// request passed on; a request that leaves them as they were only lays the
// bar out again (which repaints whatever moves), without the whole repaint.

#include <QStatusBar>
#include <QVector>

class StatusBar : public QStatusBar {
    Q_OBJECT
  public:
    explicit StatusBar(QWidget* parent = nullptr) : QStatusBar(parent) {}

  protected:
    bool event(QEvent* event) override;

  private:
    // The font's height and the heights every item asks for: what QStatusBar
    // makes its height of.
    QVector<int> heightsAsked() const;

    QVector<int> m_passedOn;
};
