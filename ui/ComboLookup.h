#pragma once
// Finds a combo box's entry by its text with letter case ignored, as
// findText(text, Qt::MatchFixedString) does, without walking the list: a
// bound list is looked up at every move and store, and a shop's article list
// runs to thousands of entries. The texts are indexed again after any change
// of the list.

#include <QHash>
#include <QObject>
#include <QString>

class QComboBox;

class ComboLookup : public QObject {
  public:
    // Item data of an entry that is shown but is not in the box's list (a
    // line's stored value): the value itself. Lists read from a box leave
    // such an entry out.
    static constexpr int NotInListRole = Qt::UserRole + 1;
    // How such a value reads in its box.
    static QString markedNotInList(const QString& value);
    // Adds such an entry for value at the end of box, marked and in italics;
    // returns its index.
    static int addNotInList(QComboBox* box, const QString& value);
    // What the entry at index stands for: the value it marks, else its text.
    static QString valueAt(const QComboBox* box, int index);

    explicit ComboLookup(QComboBox* box);
    // The first entry equal to text, letter case ignored; -1 for none.
    int find(const QString& text);

  private:
    void rebuild();

    QComboBox* m_box;
    QHash<QString, int> m_rows; // case-folded text -> first entry with it
    bool m_valid = false;
};
