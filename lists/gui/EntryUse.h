#pragma once
// The lines that hold a list's entries. A line keeps its own article,
// supplier and batch when the list changes, so the list editor asks first:
// before it stores a list that no longer holds entries some lines hold, it
// names them with their count of lines (store anyway, or go on editing);
// after it stored a list with an entry renamed, it offers to rename it in
// the lines too, in one transaction on the register (on a server, for every
// clerk, who see it at their next refresh as any other clerk's store).
//
// A batch is also the folder of its lines' photos, so a batch renamed is
// not renamed in its lines: it counts as removed, and its lines keep it.

#include "lists/ListEdit.h"

#include <QHash>
#include <QString>

class Dialogs;
class OrderTable;

class EntryUse {
  public:
    EntryUse(OrderTable& table, Dialogs& dialogs);

    // The register column a list's entries go into; -1 for any other list.
    static int column(const QString& listName);
    // What an edit of the list did to the values lines may hold.
    static ListEdit::Changes changesOf(const QString& listName, const QStringList& before,
                                       const QStringList& after);

    // Names the removed entries lines hold, with their counts, and asks
    // whether to store the list anyway. True to go on: also when no line
    // holds one, or the register is not open to count them.
    bool confirmRemoved(const QString& listName, const QStringList& removed);
    // Offers each rename to the lines that hold the old entry; true when
    // lines were renamed (the view must be read again to show them).
    bool offerRenames(const QString& listName, const QList<QPair<QString, QString>>& renamed);

  private:
    QHash<QString, qint64> lineCounts(int column, bool* ok);

    OrderTable& m_table;
    Dialogs& m_dialogs;
};
