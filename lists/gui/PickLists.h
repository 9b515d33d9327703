#pragma once
// The five drop-down lists fed by the pick list files: the article and
// supplier boxes of the record form, the supplier and batch filter boxes, and
// the batch chooser. Keeps the invariant that cbfiltersup holds "All" followed
// by exactly the entries of DBComboBox2, so position i + 1 of the one is
// position i of the other; after them it offers the suppliers that lines
// hold but the list does not (renamed or removed since), marked as not in
// the list (ComboLookup), so that their lines can still be filtered to.
//
// Which list fills which box, and which filter box an edit rebuilds, is
// PickListTable's; the boxes are found by their object names.
//
// The window owns one and calls:
//   start-up, after the company name -> loadAtStartup(), before the table opens
//   Button6Click, Button8Click, Button9Click -> editPickList() of the list
//     PickListTable names for the button
// Filling never fires the boxes' change handlers, so the filter does not run
// in between.

#include "lists/PickListTable.h"
#include "lists/gui/EntryUse.h"

#include <QString>
#include <QStringList>

class Dialogs;
class FilterRule;
class ListStore;
class OrderTable;
class QComboBox;
class TForm2;

class PickLists {
  public:
    struct Boxes {
        QComboBox* DBComboBox1 = nullptr; // articles
        QComboBox* DBComboBox2 = nullptr; // suppliers
        QComboBox* cbfiltersup = nullptr; // "All" + suppliers
        QComboBox* cbbatch = nullptr;     // "All" + batches
        QComboBox* ComboBox2 = nullptr;   // batches (the batch chooser)
    };

    PickLists(const Boxes& boxes, const ListStore& store, OrderTable& table, TForm2& Form2,
              FilterRule& filter, Dialogs& dialogs);

    // Gives the boxes their initial contents (one empty entry in the article
    // and supplier boxes), loads the three list files that exist, sorted, and
    // builds the filter boxes: "All" selected in cbfiltersup, the last entry
    // in cbbatch. A file that cannot be read is reported and its boxes keep
    // their initial contents; start-up goes on. Without readLists only the
    // initial contents and the filter boxes are set (a server register's
    // lists are read once it is open).
    void loadAtStartup(bool readLists = true);
    // Whether the article, supplier and batch boxes hold no entry yet (a new
    // shop's lists).
    bool allEmpty() const;

    // Shows the list editor for listName; after OK reloads its box from the
    // file, offers the entries renamed to the lines that hold them and, for a
    // list with a filter box (or after lines were renamed), rebuilds that box
    // and runs the filter rule, which reads the view again. Then, whatever
    // the result, a pending line is posted.
    void editPickList(const QString& listName);
    // The same for the list that PickListTable gives the window's button of
    // that object name.
    void editPickListOf(const QString& buttonName);

    // The values of imported lines that the list lacks are offered to be
    // added (named, with their count), never added unasked; on OK they are
    // appended to the list and its boxes reloaded as after an edit. A list
    // another clerk stored meanwhile is left alone, with a message.
    void offerNewEntries(const QString& listName, const QStringList& found);
    static QString allText() { return QStringLiteral("All"); }

    // Offers in cbfiltersup, after the list's entries, the suppliers lines
    // hold that the list does not, as the register holds them now; the
    // supplier chosen stays chosen. Called once the view is read at start-up
    // and at each refresh (F5); nothing is offered while the table is closed.
    void offerStoredSuppliers();

    static QStringList entries(const QComboBox* box);

  private:
    // After the list's file or text changed: its boxes reloaded and, for
    // suppliers and batches, the filter boxes rebuilt and the filter run;
    // the entries renamed in the editor offered to the lines that hold them.
    bool reloadChanged(const PickListTable::List& list, const QList<QPair<QString, QString>>& renamed = {});
    // Replaces the box's entries with the list's lines, sorted, when the
    // list exists. False when it exists but cannot be read (then reported).
    bool loadList(const QString& fileName, QComboBox* box, QStringList* longEntries = nullptr);
    QComboBox* boxOf(const PickListTable::List& list) const;
    // Rebuilds the filter box of that kind from the list's box.
    void fillFilter(PickListTable::Filter filter, const QComboBox* listBox);
    static void select(QComboBox* box, int index);
    static void fill(QComboBox* box, const QStringList& entries);
    static void fillWithAll(QComboBox* box, const QStringList& entries);

    EntryUse m_entryUse;
    Boxes m_boxes;
    const ListStore& m_store;
    OrderTable& m_table;
    TForm2& m_form;
    FilterRule& m_filter;
    Dialogs& m_dialogs;
};
