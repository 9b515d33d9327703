// The window's way into the spreadsheet import: an entry of the grid's menu
// with a key that works anywhere in the window, beside Repeat line, so that
// no control of the window moves.

#include "app/DBComboBox.h"
#include "app/OrderGrid.h"
#include "app/SheetImport.h"
#include "app/Unit1.h"
#include "data/Engine.h"
#include "data/OrderColumns.h"
#include "lists/gui/BatchChooser.h"
#include "lists/gui/PickLists.h"
#include "ui/Dialogs.h"

#include <QAction>

void TForm1::connectSheetImport() {
    auto* import = new QAction(QStringLiteral("Import lines from a spreadsheet..."), DBGrid1);
    import->setObjectName(QStringLiteral("ImportLinesAction"));
    import->setToolTip(QStringLiteral("Внеси редове от таблица"));
    import->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    import->setShortcutContext(Qt::WindowShortcut);
    DBGrid1->addAction(import);
    DBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(import, &QAction::triggered, this, &TForm1::ImportLinesClick);
}

void TForm1::ImportLinesClick() {
    if (!m_nelvo.isOpen() || !ADOTable1->isActive()) {
        m_dialogs.error(Engine::notOpenMessage());
        return;
    }
    SheetImport::run(
        {m_appDir, m_nelvo, *ADOTable1, m_dialogs, this, BatchChooser::shownBatch(ComboBox2),
         // The view is read anew, not added to: the empty register's note is told.
         [this] {
             Button4Click();
             showFirstSteps();
         },
         [this](const SheetLines& stored) {
             using namespace OrderColumns;
             m_pickLists->offerNewEntries(QStringLiteral("Suppliers"),
                                          SheetImport::valuesOf(stored, Dostavcik));
             m_pickLists->offerNewEntries(QStringLiteral("Articles"), SheetImport::valuesOf(stored, Artikul));
             m_pickLists->offerNewEntries(QStringLiteral("Batches"), SheetImport::valuesOf(stored, Batch));
         }});
}
