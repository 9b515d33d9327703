// The refused-number path as a hand meets it, under a real X server
// (xvfb-run) with real pointer and key input from xdotool: the button is held
// 100 ms while the focus moves, which a Qt Test click sent offscreen does not
// do. Runs with QT_QPA_PLATFORM=xcb.

#include "app/DBComboBox.h"
#include "app/DBEdit.h"
#include "app/OrderGrid.h"
#include "support/WindowFixture.h"

#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QtTest>

namespace {

// Runs xdotool with the given commands while the window's event loop goes on,
// so that every event reaches the window when X delivers it.
bool xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForStarted())
        return false;
    while (process.state() != QProcess::NotRunning)
        QTest::qWait(10);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// The window as the X server shows it: mapped, and no longer moved.
TForm1& openWindow(WindowFixture& f)
{
    TForm1& form = f.open();
    QTest::qWaitForWindowExposed(&form);
    QTest::qWait(200);
    return form;
}

QStringList pointerTo(QWidget* widget, QPoint at)
{
    const QPoint global = widget->mapToGlobal(at);
    return {QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())};
}

QStringList pointerTo(QWidget* widget)
{
    return pointerTo(widget, widget->rect().center());
}

const QStringList HeldClick{"mousedown", "1", "sleep", "0.1", "mouseup", "1"};

void insertLines(WindowFixture& f, int count)
{
    for (int i = 0; i < count; ++i)
        f.insertLine({{"dostavcik", "Zara"}, {"artikul", "coat"}, {"paracbr", 2}, {"polucbr", 2},
                      {"pokupnacena", 10000}, {"obsto", 20000}});
}

} // namespace

class XHeldClickTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs a real X server: run under xvfb-run with QT_QPA_PLATFORM=xcb");
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(), "xdotool is not installed");
    }
    void refusedNumberSaysWhyOnAHeldClick_data();
    void refusedNumberSaysWhyOnAHeldClick();
    void refusedGridMoveKeepsTheMark();
    void wheelOverAnUnfocusedBoxChangesNothing();
    void windowFitsTheScreen();
};

void XHeldClickTest::refusedNumberSaysWhyOnAHeldClick_data()
{
    QTest::addColumn<QString>("button");
    QTest::addRow("Apply") << "Button5";
    QTest::addRow("Next") << "SpeedButton3";
    QTest::addRow("Export in Excel") << "Button3";
}

// Type 12x into Purchasing Price, Tab (the reason is shown once and the focus
// comes back), then press the action's button, hold it 100 ms, let go: the
// reason is shown again and the line stays pending.
void XHeldClickTest::refusedNumberSaysWhyOnAHeldClick()
{
    QFETCH(QString, button);
    WindowFixture f;
    insertLines(f, 2);
    TForm1& form = openWindow(f);
    const QString reason = QStringLiteral("standardError: Purchasing Price: '12x' is not a valid currency value.");

    QVERIFY(xdotool(pointerTo(form.DBEdit7) + QStringList{"click", "1"}));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.DBEdit7));
    // Keys, not typed text: xdotool types by remapping the keyboard, and a
    // key pressed during the remapping can be lost.
    QVERIFY(xdotool({"key", "ctrl+a", "1", "2", "x"}));
    QTRY_COMPARE(form.DBEdit7->text(), "12x");
    QVERIFY(xdotool({"key", "Tab"}));
    QTRY_COMPARE(f.dialogs.shown, QStringList{reason});
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.DBEdit7));
    QTest::qWait(300); // the user reads the message

    auto* action = form.findChild<QPushButton*>(button);
    QVERIFY(xdotool(pointerTo(action) + HeldClick));
    QTRY_COMPARE(f.dialogs.shown, (QStringList{reason, reason}));
    QCOMPARE(form.table().state(), TableState::Edit);
    QCOMPARE(form.table().currentRow(), 0);
}

// Ordered 0 cannot be stored; a held click on the third row is refused and
// the grid still marks the first.
void XHeldClickTest::refusedGridMoveKeepsTheMark()
{
    WindowFixture f;
    insertLines(f, 3);
    TForm1& form = openWindow(f);
    QVERIFY(xdotool(pointerTo(form.DBEdit16) + QStringList{"click", "1", "key", "ctrl+a", "0"}));
    QTRY_COMPARE(form.DBEdit16->text(), "0");
    QWidget* cells = form.DBGrid1->viewport();
    QVERIFY(xdotool(pointerTo(cells, form.DBGrid1->visualRect(form.DBGrid1->model()->index(2, 2)).center()) +
                    HeldClick));
    QTRY_COMPARE(f.dialogs.shown.size(), 1);
    QTest::qWait(200);
    QCOMPARE(form.table().currentRow(), 0);
    QCOMPARE(form.DBGrid1->currentIndex().row(), 0);
    for (const QModelIndex& index : form.DBGrid1->selectionModel()->selectedIndexes())
        QCOMPARE(index.row(), 0);
}

// A turn of the wheel over the article box, the focus in the grid: the
// line's article stays, and the box does not take the focus.
void XHeldClickTest::wheelOverAnUnfocusedBoxChangesNothing()
{
    WindowFixture f;
    f.dir.writeFile("articles.txt", "coat\r\nshirt\r\n");
    insertLines(f, 1);
    TForm1& form = openWindow(f);
    QWidget* cells = form.DBGrid1->viewport();
    QVERIFY(xdotool(pointerTo(cells, form.DBGrid1->visualRect(form.DBGrid1->model()->index(0, 2)).center()) +
                    QStringList{"click", "1"}));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.DBGrid1));
    QVERIFY(xdotool(pointerTo(form.DBComboBox1) + QStringList{"click", "5", "sleep", "0.2"}));
    QTest::qWait(200);
    QCOMPARE(form.DBComboBox1->currentText(), "coat");
    QCOMPARE(form.table().state(), TableState::Browse);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.DBGrid1));
}

// On a 1024 x 600 screen the window keeps its width and takes the screen's
// height: title bar and status bar stay on the screen.
void XHeldClickTest::windowFitsTheScreen()
{
    WindowFixture f;
    TForm1& form = openWindow(f);
    const QRect available = form.screen()->availableGeometry();
    const QSize frame = form.frameGeometry().size() - form.size();
    QTRY_COMPARE(form.size(), TForm1::DesignedSize.boundedTo(available.size() - frame));
    QVERIFY2(available.contains(form.frameGeometry()),
             qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                            .arg(form.frameGeometry().x())
                            .arg(form.frameGeometry().y())
                            .arg(form.frameGeometry().width())
                            .arg(form.frameGeometry().height())));
}

QTEST_MAIN(XHeldClickTest)
#include "x_held_click.moc"
