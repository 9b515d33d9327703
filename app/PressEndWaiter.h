#pragma once
// Tells once when the mouse button that is held now is let go (or a key is
// pressed, in case the release went to a window the program never sees),
// then deletes itself. Watches the whole application; lives at most as long
// as its parent.

#include <QObject>

class PressEndWaiter : public QObject {
    Q_OBJECT
  public:
    explicit PressEndWaiter(QObject* parent);
    ~PressEndWaiter() override;

  signals:
    void pressEnded();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool m_ended = false;
};
