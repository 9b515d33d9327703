#include "app/PhotoReportAction.h"

#include "export/gui/PhotoReport.h"

#include <QAction>
#include <QPushButton>
#include <QWidget>

namespace PhotoReportAction {

QString caption() {
    return QStringLiteral("Export with photos");
}

void install(QPushButton* exportButton, QWidget* window, std::shared_ptr<PhotoReport> report) {
    auto* action = new QAction(caption(), window);
    action->setObjectName(QStringLiteral("ExportWithPhotos"));
    action->setToolTip(QStringLiteral("Експорт в Excel със снимките (Orders-photos.xlsx)"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, [report] { report->run(); });
    window->addAction(action);
    exportButton->addAction(action);
    exportButton->setContextMenuPolicy(Qt::ActionsContextMenu);
}

} // namespace PhotoReportAction
