#pragma once
// One panel of the status bar: a sunken label of a set width that gives way
// in a narrow window. Its text is then shown elided ("Money Summary: 15936…")
// instead of being drawn over the next panel; text() stays the whole text,
// for the export and for screen readers.

#include <QLabel>

class StatusPanel : public QLabel {
    Q_OBJECT
  public:
    // width 0: the panel takes what the others leave.
    explicit StatusPanel(int width, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The text as it is drawn at the panel's present width.
    QString shownText() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int indentation() const;
    QRect textRect() const;

    int m_width;
};
