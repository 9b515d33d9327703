#pragma once
// What one edit of a list did to the values lines may hold: the entries it
// renamed and those it removed. Lines keep their own value when the list
// changes, so the list editor asks about these before and after it stores
// the list (EntryUse).
//
// An entry is gone when the list no longer holds it at all (a duplicate
// removed is no change to any line); an entry is new when the list did not
// hold it. In a text of as many lines as before, a gone entry whose line now
// holds a new one is that entry renamed, the clerk having edited it in
// place; otherwise a single gone and a single new entry are one rename.
// Every other gone entry is removed. Empty entries are left out.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace ListEdit {

struct Changes {
    QList<QPair<QString, QString>> renamed; // from, to
    QStringList removed;
};

Changes between(const QStringList& before, const QStringList& after);

} // namespace ListEdit
