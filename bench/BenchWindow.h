#pragma once
// The program's side of the in-process benchmarks: the main window on a
// register folder (embedded file or server), shown, driven through its
// handlers as a user drives it, each step ending with the grid's real repaint
// when the caller asks for one. Any failure ends the benchmark.

#include "bench/BenchDialogs.h"

#include "app/Unit1.h"

#include <QString>

class OrderTable;
class PaintWaiter;
class QComboBox;

struct BenchWindow {
    BenchDialogs dialogs;
    TForm1 form;
    PaintWaiter* painted = nullptr;

    explicit BenchWindow(const QString& dir);
    // Makes the day's backup of the register file in dir, when it has none
    // yet, before anything is timed: the window's first start of a day
    // would otherwise copy the whole register beside the figures. The copy
    // is made by a child process, so that its memory is not counted in this
    // one's peak; call it before the application object (no threads yet).
    static void backUpToday(const QString& dir);
    OrderTable& table() { return form.table(); }
    // Requests an update and waits until the grid has painted.
    void paint();
    // Picks the entries (empty: "All") as the user would and runs the filter rule.
    void filter(const QString& supplier, const QString& batch);
    // Title clicks on the column until the view has the wanted order: the
    // first click sorts ascending, the next one descending.
    void sort(const QString& sortText);
    // The find bar's Next with text in its field (from the view's first line),
    // ending with the grid's repaint.
    void findNext(const QString& text);
    // The statement the find bar's step sends for the matching keys of the
    // view, with text written into it as a literal: the engine's own query
    // that a find is measured against.
    QString findStatement(const QString& text);
    // Texts for the find figures: one in other letter case than the lines
    // that hold it (a Cyrillic garment word), one that no line holds.
    static QString findText();
    static QString unfoundText() { return QStringLiteral("qzxqzx"); }
    // append(), a few fields set as the entry form sets them, post();
    // batch: the line's (empty: the newest of the list).
    void storeLine(const QString& batch = QString());
    // The same on any open table; false when a step failed.
    static bool storeLine(OrderTable& table, const QString& batch = QString());

    [[noreturn]] static void die(const QString& message);

  private:
    static void select(QComboBox* box, const QString& entry);
};
