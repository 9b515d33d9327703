#pragma once
// The second export, beside "Export in Excel": the report with photos
// (PhotoReport), run from the Export button's own menu (a right click on it)
// and by Ctrl+Shift+E. Nothing is added to the window's layout, so no
// control moves.

#include <QString>

#include <memory>

class PhotoReport;
class QPushButton;
class QWidget;

namespace PhotoReportAction {

QString caption();
void install(QPushButton* exportButton, QWidget* window, std::shared_ptr<PhotoReport> report);

} // namespace PhotoReportAction
