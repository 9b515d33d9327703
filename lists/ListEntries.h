#pragma once
// The entries of a pick list measured against the column they fill
// (PickListTable), and the naming of many entries in one message. Start-up
// and the list editor use it, as does the move to a server for the files it
// leaves behind.

#include <QString>
#include <QStringList>

namespace ListEntries {

// An entry is stored in its line's column, which holds only so many
// characters (a batch 7): a longer entry would be stored cut and the cut
// line would no longer match its own batch or supplier. entriesFit()
// tells whether every entry of the list fits; when not, tooLong names
// those that do not, as one line of a message ("Batches (at most 7
// characters): 2025-Spring").
int entryWidth(const QString& listName);
bool entriesFit(const QString& listName, const QStringList& entries, QString* tooLong);
// The information text naming such entries: a heading, the given lines
// of entriesFit(), and what the user can do about it.
QString longEntriesMessage(const QStringList& lines, const QString& advice);
// The first ten of the named entries, and "and N more" for the rest.
QStringList namedAtMost(QStringList named);

} // namespace ListEntries
