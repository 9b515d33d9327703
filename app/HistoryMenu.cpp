#include "app/HistoryMenu.h"

#include "app/DeletedLinesWindow.h"
#include "app/LineHistoryWindow.h"
#include "app/OrderGrid.h"
#include "app/Unit1.h"
#include "data/OrderTable.h"

#include <QAction>

namespace HistoryMenu {

namespace {

void addEntry(TForm1& form, const QString& text, const char* name, const QKeySequence& key,
              void (*run)(TForm1&)) {
    auto* action = new QAction(text, form.DBGrid1);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    form.DBGrid1->addAction(action);
    QObject::connect(action, &QAction::triggered, &form, [&form, run] { run(form); });
}

} // namespace

void add(TForm1& form) {
    addEntry(form, QStringLiteral("History of this line"), "LineHistoryAction", QKeySequence(Qt::Key_F7),
             showLineHistory);
    addEntry(form, QStringLiteral("Deleted lines"), "DeletedLinesAction",
             QKeySequence(Qt::SHIFT | Qt::Key_F7), showDeletedLines);
}

void showLineHistory(TForm1& form) {
    OrderTable& table = form.table();
    Engine* engine = form.database().engine();
    const qint32 key = table.bookmark().toInt();
    if (!engine || key == 0)
        return; // no stored line: no history
    QVector<LineHistory::Entry> entries;
    QString error;
    if (!LineHistory::ofLine(*engine, key, &entries, &error)) {
        table.reportError(error);
        return;
    }
    LineHistoryWindow window(key, entries, &form);
    window.exec();
}

void showDeletedLines(TForm1& form) {
    OrderTable& table = form.table();
    Engine* engine = form.database().engine();
    if (!engine || !table.settle())
        return;
    DeletedLinesWindow window(
        *engine, [&table](const QString& message) { table.reportError(message); }, &form);
    if (window.exec() != QDialog::Accepted)
        return;
    // The line is back: the view and the counters are read anew, and it is
    // shown when the filter lets it in.
    form.Button4Click();
    const QString restored = QString::number(window.restoredKey());
    if (table.hasBookmark(restored))
        table.gotoBookmark(restored);
}

} // namespace HistoryMenu
