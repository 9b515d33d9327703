#pragma once
// The five panels of the status bar, numbered from 0: filter, line count,
// pieces, money, data mode. Each is a QLabel so that screen readers and tests
// read it like any other text.

#include <QLabel>
#include <QString>
#include <array>

class StatusPanels {
  public:
    enum Panel { Filter = 0, LineCount = 1, Pieces = 2, Money = 3, DataMode = 4 };
    static constexpr int Count = 5;

    void set(int panel, QLabel* label) { m_labels[panel] = label; }
    QLabel* label(int panel) const { return m_labels[panel]; }
    void setText(int panel, const QString& text) { m_labels[panel]->setText(text); }
    QString text(int panel) const { return m_labels[panel]->text(); }

  private:
    std::array<QLabel*, Count> m_labels{};
};
