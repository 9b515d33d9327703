#pragma once
// The side lists of the application folder, each declared once: the three
// pick lists (articles, suppliers, batches) and the company name, which is
// kept as a list of one line. Start-up, the list editor, the window's edit
// buttons, the move to a server and the tests read this table; a new list
// is one row here (with its column in OrderColumns and its box on the form).
//
// A list's name is its caption in the editor, the base name of its file
// ("Articles.txt", matched without regard to case) and, in lower case, its
// key on a server register (ListStore).

#include <QString>
#include <QStringList>
#include <QVector>

namespace PickListTable {

// What an edit of the list rebuilds besides its own box: the filter box that
// lists the same entries after "All", and then the filter is run again.
enum class Filter { None, Suppliers, Batches };

constexpr int NoColumn = -1;

struct List {
    const char* name;
    int column;             // the OrderColumns::Index its entries fill; NoColumn for the company name
    const char* box;        // object name of the window's box (or field) it fills
    const char* editButton; // object name of the window's button that opens the editor; "" for none
    Filter filter;
    bool movesToServer; // moved by register_server move with the lines

    QString fileName() const { return QLatin1String(name) + QStringLiteral(".txt"); }
    bool isPickList() const { return column != NoColumn; }
};

const QVector<List>& all();
// The row named name (any case), or nullptr.
const List* find(const QString& name);
// The row of the window's button with that object name, or nullptr.
const List* ofButton(const QString& buttonName);

// The *.txt files of folder that read whole as a list (PickListFile) but
// belong to no row of the table: a list the program would not move or show.
// Sorted by name.
QStringList unknownListFiles(const QString& folder);

} // namespace PickListTable
