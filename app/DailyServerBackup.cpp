#include "app/DailyServerBackup.h"

#include "data/Database.h"
#include "data/ServerBackup.h"
#include "transfer/SideFilesBackup.h"

#include <QDate>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

namespace DailyServerBackup {

void start(QMainWindow* window, const QString& appDir) {
    QString error;
    const QString server = Database::serverSetting(appDir, &error);
    if (server.isEmpty())
        return;
    auto* backup = new ServerBackup(std::make_shared<SideFilesBackup>(), window);
    QObject::connect(backup, &ServerBackup::finished, window,
                     [window](bool, bool ok, const QString& message) {
                         if (ok)
                             return;
                         // Right of the panels: it takes room from the last one only, and
                         // moves none of them.
                         auto* notice = new QLabel(message, window->statusBar());
                         notice->setObjectName(QStringLiteral("ServerBackupNotice"));
                         notice->setToolTip(message);
                         notice->setMaximumWidth(window->width() / 3);
                         window->statusBar()->addPermanentWidget(notice);
                     });
    // As the file's copy: once the window has been up a moment.
    backup->start(appDir, server, QDate::currentDate(), 2000);
}

} // namespace DailyServerBackup
