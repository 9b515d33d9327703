#pragma once
// The real main window over a temporary application directory, shown and
// active so that focus moves run the fields' enter and exit steps, with
// scripted dialogs.

#include "app/Unit1.h"
#include "support/ScriptedDialogs.h"
#include "support/TempAppDir.h"

#include <QVariantMap>
#include <memory>

class QComboBox;
class QLineEdit;

class WindowFixture {
  public:
    explicit WindowFixture(bool withDatabase = true) : dir(withDatabase) {}
    ~WindowFixture();

    // Stores a line straight into the file, before the window opens it.
    qint64 insertLine(const QVariantMap& values) const { return insertLineInto(dir, values); }
    static qint64 insertLineInto(const TempAppDir& dir, const QVariantMap& values);
    // Creates and shows the window; start-up runs.
    TForm1& open();
    TForm1& form() { return *window; }
    // Moves the focus as a click would, so exit and enter steps run.
    static void focus(QWidget* widget);
    static void click(QWidget* button);
    // A click as a hand makes it: the button is held 100 ms, and everything
    // the press set off (focus moves, timers) runs before the release.
    static void heldClick(QWidget* widget, QPoint at = QPoint());
    static void typeInto(QWidget* field, const QString& text);
    // Picks an entry as the user does (the box's activated signal runs).
    static void choose(QComboBox* box, const QString& text);
    // Replaces the field's text by typing.
    static void retype(QLineEdit* field, const QString& text);

    TempAppDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<TForm1> window;
};
