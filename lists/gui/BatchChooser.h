#pragma once
// The batch chooser ComboBox2: shows the batch of the current line, and its
// selection is what the line gets as its batch when it is stored.
//
// A line whose batch is not in the batch list keeps it: the chooser selects
// nothing and shows that batch marked as not in the list (as its
// placeholder), and that is what the
// line is stored with and what names its photo folder, until the user picks
// an entry.
//
// A batch the user picks is kept until the line is stored or cancelled: the
// pick itself puts the line into edit, which is a data change, and without
// this the follow rule would at once replace the pick with the stored batch.
//
// The window owns one and calls:
//   DataSource1DataChange -> follow(), as its first step
//   ComboBox2Change       -> ComboBox2Change(), connected to QComboBox::activated
//                            (a user's pick, never a programmatic selection)
//   ComboBox2Enter / ComboBox2Exit -> the same-named methods

#include <QString>

class ComboLookup;
class OrderTable;
class QComboBox;

class BatchChooser {
  public:
    BatchChooser(OrderTable& table, QComboBox* ComboBox2, bool& lineHasData);

    // Selects the entry equal to the current line's batch, ignoring case; a
    // batch that is not listed is shown with nothing selected; a line without
    // a batch gets the last entry (nothing when the list is empty). While the
    // line is pending with a pick of the user, the pick stays selected instead.
    void follow();
    // The batch the chooser shows: the selected entry, or the line's own
    // batch shown with nothing selected, or empty text.
    static QString shownBatch(const QComboBox* chooser);
    void ComboBox2Change();
    void ComboBox2Enter();
    void ComboBox2Exit();

  private:
    bool pending() const;

    OrderTable& m_table;
    QComboBox* m_combo;
    ComboLookup* m_lookup; // owned by the combo box
    bool& m_lineHasData;
    QString m_pick;
    bool m_hasPick = false;
};
