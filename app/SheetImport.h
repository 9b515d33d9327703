#pragma once
// Import of order lines from a spreadsheet, as the window runs it: the
// pending line is settled, a file chosen and read, the preview shown, and on
// Import the register on the file copied and checked first (as before an
// upgrade), then every line stored in one transaction (LineImport). The
// window then reads its view again; the message gives the lines, pieces and
// money imported, which the register's own sums have confirmed. Nothing is
// stored when anything fails. Called on the GUI thread only.

#include "app/SheetImportDialog.h"

#include <functional>

class Database;
class Dialogs;
class OrderTable;
class QWidget;

class SheetImport {
  public:
    // Shows the preview; false when the user cancels. Tests answer it
    // instead of the dialog; an empty preview restores the dialog.
    using Preview = std::function<bool(const QString& path, const Workbook& book, SheetImportChoice* choice)>;
    static void setPreview(Preview preview);

    struct Context {
        QString appDir;
        Database& database;
        OrderTable& table;
        Dialogs& dialogs;
        QWidget* parent = nullptr;
        QString batch;                // the batch chooser's, for lines without one
        std::function<void()> reread; // the view and its counters read again
        // Offers what the stored lines name that the pick lists lack.
        std::function<void(const SheetLines& stored)> offerNewEntries;
    };

    static void run(const Context& context);

    // The distinct values of a column among the lines, in their order.
    static QStringList valuesOf(const SheetLines& lines, int column);
    // Where the register is copied before an import.
    static QString backupPath(const QString& appDir, const QDateTime& at);

  private:
    static bool store(const Context& context, const SheetLines& lines);
};
