// The list editor dialog Form2 and the company name: files read, written and
// left alone on each path through the dialog.

#include "lists/CompanyName.h"
#include "lists/Unit2.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedDialogs.h"
#include "support/TempAppDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>

class TestListsEditor : public QObject {
    Q_OBJECT
private slots:
    void showsTheFileInItsOwnOrder_data();
    void showsTheFileInItsOwnOrder();
    void okWritesExactlyTheText_data();
    void okWritesExactlyTheText();
    void cancelWritesNothing();
    void missingListEmptiesTheTextArea();
    void unreadableListIsNotShown();
    void failedWriteKeepsTheDialogOpen();
    void enterAndEscapeDoNotClose();
    void closeBoxKeepsTheResult();
    void companyLoad_data();
    void companyLoad();
    void companySave();
    void companySaveFailureIsReported();
};

// Opens the editor for the list and runs `whileShown` once it is on screen.
// Returns false when the dialog refused to show.
static bool runEditor(TForm2& form, const QString& listName, const std::function<void()>& whileShown)
{
    bool ran = false;
    QTimer::singleShot(0, &form, [&] {
        ran = true;
        QVERIFY(form.isVisible());
        whileShown();
        if (form.isVisible()) // a step that should have closed it did not: end the test's wait
            form.done(QDialog::Rejected);
    });
    const bool shown = form.editList(listName);
    if (shown && !ran)
        qWarning("the dialog closed before the test could act");
    return shown;
}

void TestListsEditor::showsTheFileInItsOwnOrder_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::addRow("unsorted, as in the file") << QByteArray("b\r\na\r\nc") << "b\na\nc";
    QTest::addRow("LF breaks") << QByteArray("b\na\n") << "b\na\n";
    QTest::addRow("Windows-1251") << QByteArray("\xC0\xED\xE0\r\n") << "Ана\n";
}

void TestListsEditor::showsTheFileInItsOwnOrder()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    TempAppDir dir(false);
    dir.writeFile("articles.txt", bytes); // the start-up spelling, reached by the editor's
    ScriptedDialogs dialogs;
    TForm2 form(dir.path(), dialogs);
    QVERIFY(runEditor(form, "Articles", [&] {
        QCOMPARE(form.Label1->text(), QString("Articles"));
        QCOMPARE(form.Memo1->toPlainText(), shown);
        QCOMPARE(form.focusWidget(), form.Memo1);
        form.Button2->click();
    }));
    QVERIFY(dialogs.shown.isEmpty());
}

void TestListsEditor::okWritesExactlyTheText_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("written");
    QTest::addRow("lines joined by CR LF, nothing after the last")
        << "Zeta\nAcme\nAnn's" << QByteArray("Zeta\r\nAcme\r\nAnn's");
    QTest::addRow("a final break the user typed is kept") << "a\nb\n" << QByteArray("a\r\nb\r\n");
    QTest::addRow("empty text gives an empty file") << "" << QByteArray();
    QTest::addRow("Cyrillic in UTF-8 without BOM") << "Ана" << QByteArray("\xD0\x90\xD0\xBD\xD0\xB0");
    QTest::addRow("no-break space survives") << QString("a%1b").arg(QChar(0xA0)) << QByteArray("a\xC2\xA0" "b");
}

void TestListsEditor::okWritesExactlyTheText()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, written);
    TempAppDir dir(false);
    dir.writeFile("suppliers.txt", "old"); // overwritten in its existing spelling
    ScriptedDialogs dialogs;
    TForm2 form(dir.path(), dialogs);
    QVERIFY(runEditor(form, "Suppliers", [&] {
        form.Memo1->setPlainText(typed);
        form.Button1->click();
        QVERIFY(!form.isVisible());
    }));
    QVERIFY(form.listResult());
    QCOMPARE(dir.readFile("suppliers.txt"), written);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"suppliers.txt"});
    QVERIFY(dialogs.shown.isEmpty());
}

void TestListsEditor::cancelWritesNothing()
{
    TempAppDir dir(false);
    dir.writeFile("Batches.txt", "B1\r\nB2\r\n");
    ScriptedDialogs dialogs;
    TForm2 form(dir.path(), dialogs);
    QVERIFY(runEditor(form, "Batches", [&] { form.Button1->click(); }));
    QVERIFY(form.listResult());
    QVERIFY(runEditor(form, "Batches", [&] {
        form.Memo1->setPlainText("changed");
        form.Button2->click();
        QVERIFY(!form.isVisible());
    }));
    QVERIFY(!form.listResult());
    QCOMPARE(dir.readFile("Batches.txt"), QByteArray("B1\r\nB2\r\n"));
}

void TestListsEditor::missingListEmptiesTheTextArea()
{
    // Regression: the text of the list shown before must not be written into a
    // list that has no file yet.
    TempAppDir dir(false);
    dir.writeFile("Articles.txt", "Dress\r\nCoat");
    ScriptedDialogs dialogs;
    TForm2 form(dir.path(), dialogs);
    QVERIFY(runEditor(form, "Articles", [&] { form.Button2->click(); }));
    QVERIFY(runEditor(form, "Suppliers", [&] {
        QCOMPARE(form.Memo1->toPlainText(), QString());
        form.Button1->click();
    }));
    QCOMPARE(dir.readFile("Suppliers.txt"), QByteArray());
    QVERIFY(QFileInfo::exists(dir.filePath("Suppliers.txt")));
}

void TestListsEditor::unreadableListIsNotShown()
{
    TempAppDir dir(false);
    QVERIFY(QDir().mkpath(dir.filePath("Batches.txt")));
    ScriptedDialogs dialogs;
    TForm2 form(dir.path(), dialogs);
    QVERIFY(!form.editList("Batches"));
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY2(dialogs.shown.first().startsWith("standardError: Cannot open file \""), qPrintable(dialogs.shown.first()));
}

void TestListsEditor::failedWriteKeepsTheDialogOpen()
{
    TempAppDir dir(false);
    // Root ignores permission bits, so the folder is made unusable instead: the
    // application directory given to the editor is a file.
    dir.writeFile("notafolder", "x");
    ScriptedDialogs dialogs;
    TForm2 form(dir.filePath("notafolder"), dialogs);
    QVERIFY(runEditor(form, "Batches", [&] {
        form.Memo1->setPlainText("B7");
        form.Button1->click();
        QVERIFY(form.isVisible());
        QCOMPARE(form.Memo1->toPlainText(), QString("B7"));
        QCOMPARE(dialogs.shown.size(), 1);
        const QString expected = "standardError: Cannot create file \""
                                 + QDir::toNativeSeparators(dir.filePath("notafolder/Batches.txt")) + "\". ";
        QVERIFY2(dialogs.shown.first().startsWith(expected), qPrintable(dialogs.shown.first()));
        form.Button2->click();
    }));
    QVERIFY(!form.listResult());
}

void TestListsEditor::enterAndEscapeDoNotClose()
{
    TempAppDir dir(false);
    dir.writeFile("Articles.txt", "a");
    ScriptedDialogs dialogs;
    TForm2 form(dir.path(), dialogs);
    QVERIFY(!form.Button1->autoDefault() && !form.Button2->autoDefault());
    QVERIFY(runEditor(form, "Articles", [&] {
        form.Memo1->moveCursor(QTextCursor::End);
        QTest::keyClick(form.Memo1, Qt::Key_Return);
        QCOMPARE(form.Memo1->toPlainText(), QString("a\n"));
        QTest::keyClick(form.Memo1, Qt::Key_Escape);
        form.Button1->setFocus();
        QTest::keyClick(form.Button1, Qt::Key_Return);
        QTest::keyClick(form.Button1, Qt::Key_Enter);
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.isVisible());
        form.Button2->click();
    }));
    QCOMPARE(dir.readFile("Articles.txt"), QByteArray("a"));
}

void TestListsEditor::closeBoxKeepsTheResult()
{
    TempAppDir dir(false);
    ScriptedDialogs dialogs;
    TForm2 form(dir.path(), dialogs);
    QVERIFY(runEditor(form, "Articles", [&] { form.Button1->click(); }));
    QVERIFY(form.listResult());
    QVERIFY(runEditor(form, "Articles", [&] {
        form.close();
        QVERIFY(!form.isVisible());
    }));
    QVERIFY(form.listResult());
}

void TestListsEditor::companyLoad_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "-" for no file
    QTest::addColumn<QString>("shown");
    QTest::addRow("no file keeps the design text") << QByteArray("-") << "Unspecified Company Ltd";
    QTest::addRow("first line only") << QByteArray("Nelvo Ltd\r\nsecond\r\n") << "Nelvo Ltd";
    QTest::addRow("not trimmed") << QByteArray("  Acme  \r\n") << "  Acme  ";
    QTest::addRow("empty first line") << QByteArray("\r\n") << "";
    QTest::addRow("zero bytes keeps the design text") << QByteArray() << "Unspecified Company Ltd";
    QTest::addRow("Windows-1251") << QByteArray("\xD4\xE8\xF0\xEC\xE0") << "Фирма";
}

void TestListsEditor::companyLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    TempAppDir dir(false);
    if (bytes != "-")
        dir.writeFile("company.txt", bytes);
    ScriptedDialogs dialogs;
    QLineEdit ecompany("Unspecified Company Ltd");
    CompanyName company(&ecompany, dir.path(), dialogs);
    company.load("Company");
    QCOMPARE(ecompany.text(), shown);
    QVERIFY(dialogs.shown.isEmpty());
}

void TestListsEditor::companySave()
{
    TempAppDir dir(false);
    ScriptedDialogs dialogs;
    QLineEdit ecompany("Ана ЕООД");
    CompanyName company(&ecompany, dir.path(), dialogs);
    QVERIFY(company.save("Company"));
    QVERIFY(company.save("Company"));
    QCOMPARE(dir.readFile("Company.txt"), QByteArray("\xD0\x90\xD0\xBD\xD0\xB0 \xD0\x95\xD0\x9E\xD0\x9E\xD0\x94\r\n"));
    ecompany.setText("x");
    company.load("Company");
    QCOMPARE(ecompany.text(), QString("Ана ЕООД"));
}

void TestListsEditor::companySaveFailureIsReported()
{
    TempAppDir dir(false);
    dir.writeFile("Company.txt", "Old Ltd\r\n");
    ScriptedDialogs dialogs;
    QLineEdit ecompany("New Company Ltd");
    CompanyName company(&ecompany, dir.path(), dialogs);
    {
        const FileSizeLimit diskFull(4); // the write fails half-way
        QVERIFY(!company.save("Company"));
    }
    QCOMPARE(dialogs.shown.size(), 1);
    const QString expected =
        "standardError: Cannot create file \"" + QDir::toNativeSeparators(dir.filePath("Company.txt")) + "\". ";
    QVERIFY2(dialogs.shown.first().startsWith(expected), qPrintable(dialogs.shown.first()));
    QCOMPARE(ecompany.text(), QString("New Company Ltd"));
    QCOMPARE(dir.readFile("Company.txt"), QByteArray("Old Ltd\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Company.txt"});
}

QTEST_MAIN(TestListsEditor)
#include "tst_lists_editor.moc"
