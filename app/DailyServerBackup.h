#pragma once
// Starts the daily copy of a server register for the window (ServerBackup,
// with the side files of SideFilesBackup) a moment after start-up, and tells
// a failure in a notice at the right end of the status bar, which blocks
// nothing; the notice's tooltip holds the whole text. The copy belongs to the
// window: closing the window stops a copy under way.

#include <QString>

class QMainWindow;

namespace DailyServerBackup {

void start(QMainWindow* window, const QString& appDir);

} // namespace DailyServerBackup
