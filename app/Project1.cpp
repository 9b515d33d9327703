// Program entry: the application, the main window Form1 (its creation runs the
// start-up sequence) and the list editor Form2, then the event loop until the
// main window closes.
#include "app/Unit1.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    // The icon of the desktop entry, in the sizes a title bar and a task bar ask for.
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/order-register-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    // The desktop entry the window belongs to (its menu name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("order-register"));
    QtDialogs dialogs;
    TForm1 form1(QCoreApplication::applicationDirPath(), dialogs);
    dialogs.setParent(&form1);
    form1.show();
    return app.exec();
}
