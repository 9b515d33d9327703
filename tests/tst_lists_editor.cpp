// The list editor dialog Form2 and the company name: files read, written and
// left alone on each path through the dialog.

#include "data/Database.h"
#include "lists/ListStore.h"
#include "lists/gui/CompanyName.h"
#include "lists/gui/Unit2.h"
#include "support/FileSizeLimit.h"
#include "support/ScriptedDialogs.h"
#include "support/TempAppDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringEncoder>
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
    void okWithoutChangeNeverDestroysTheFile_data();
    void okWithoutChangeNeverDestroysTheFile();
    void batchEditorRefusesNamesThatLeaveTheirFolder_data();
    void batchEditorRefusesNamesThatLeaveTheirFolder();
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

// The lists of an application directory without a register: its files.
struct FileLists {
    explicit FileLists(const QString& folder) : store(folder, db) {}
    Database db;
    ListStore store;
};

// Opens the editor for the list and runs `whileShown` once it is on screen.
// Returns false when the dialog refused to show.
static bool runEditor(TForm2& form, const QString& listName, const std::function<void()>& whileShown) {
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

void TestListsEditor::showsTheFileInItsOwnOrder_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");
    QTest::addRow("unsorted, as in the file") << QByteArray("b\r\na\r\nc") << "b\na\nc";
    QTest::addRow("LF breaks") << QByteArray("b\na\n") << "b\na\n";
    QTest::addRow("Windows-1251") << QByteArray("\xC0\xED\xE0\r\n") << "Ана\n";
}

void TestListsEditor::showsTheFileInItsOwnOrder() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    TempAppDir dir(false);
    dir.writeFile("articles.txt", bytes); // the start-up spelling, reached by the editor's
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    TForm2 form(lists.store, dialogs);
    QVERIFY(runEditor(form, "Articles", [&] {
        QCOMPARE(form.Label1->text(), QString("Articles"));
        QCOMPARE(form.Memo1->toPlainText(), shown);
        QCOMPARE(form.focusWidget(), form.Memo1);
        form.Button2->click();
    }));
    QVERIFY(dialogs.shown.isEmpty());
}

void TestListsEditor::okWritesExactlyTheText_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("written");
    QTest::addRow("lines joined by CR LF, nothing after the last")
        << "Zeta\nAcme\nAnn's" << QByteArray("Zeta\r\nAcme\r\nAnn's");
    QTest::addRow("a final break the user typed is kept") << "a\nb\n" << QByteArray("a\r\nb\r\n");
    QTest::addRow("empty text gives an empty file") << "" << QByteArray();
    QTest::addRow("Cyrillic in UTF-8 without BOM") << "Ана" << QByteArray("\xD0\x90\xD0\xBD\xD0\xB0");
    QTest::addRow("no-break space survives") << QString("a%1b").arg(QChar(0xA0))
                                             << QByteArray("a\xC2\xA0"
                                                           "b");
}

void TestListsEditor::okWritesExactlyTheText() {
    QFETCH(QString, typed);
    QFETCH(QByteArray, written);
    TempAppDir dir(false);
    dir.writeFile("suppliers.txt", "old"); // overwritten in its existing spelling
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    TForm2 form(lists.store, dialogs);
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

void TestListsEditor::cancelWritesNothing() {
    TempAppDir dir(false);
    dir.writeFile("Batches.txt", "B1\r\nB2\r\n");
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    TForm2 form(lists.store, dialogs);
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

static QByteArray utf16(const QString& text, QStringEncoder::Encoding order) {
    QStringEncoder encoder(order, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

void TestListsEditor::okWithoutChangeNeverDestroysTheFile_data() {
    QTest::addColumn<QString>("file"); // a list, opened in the editor, or Company.txt, loaded into ecompany
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("shown");    // in the editor or the field; "-" when the editor refuses to open
    QTest::addColumn<QString>("problem");  // what the one message says after the file's name, or empty
    QTest::addColumn<QByteArray>("after"); // the file after OK, or after Enter in the company field
    const QByteArray list = "Зара\r\nAcme\r\n";
    const QString shown = "Зара\nAcme\n";
    QTest::addRow("UTF-16 LE with its mark (Notepad's Unicode)")
        << "Suppliers.txt" << utf16(QString::fromUtf8(list), QStringEncoder::Utf16LE) << shown << "" << list;
    QTest::addRow("UTF-16 BE with its mark")
        << "Batches.txt" << utf16(QString::fromUtf8(list), QStringEncoder::Utf16BE) << shown << "" << list;
    QTest::addRow("UTF-8 with its mark") << "articles.txt"
                                         << "\xEF\xBB\xBF" + list << shown << "" << list;
    QTest::addRow("company in UTF-16")
        << "Company.txt" << utf16("Нелво ООД\r\n", QStringEncoder::Utf16LE) << "Нелво ООД"
        << "" << QByteArray("Нелво ООД\r\n");
    const QString cut = ", so the file cannot be read whole; it is left as it is.";
    QTest::addRow("NUL inside") << "Suppliers.txt" << QByteArray("Zara\r\nAcme\0\r\nMango", 19) << "-"
                                << "Line 2 holds a NUL character" + cut
                                << QByteArray("Zara\r\nAcme\0\r\nMango", 19);
    QTest::addRow("NUL in UTF-16") << "Suppliers.txt"
                                   << utf16(QString("a\nb") + QChar(0), QStringEncoder::Utf16BE) << "-"
                                   << "Line 2 holds a NUL character" + cut
                                   << utf16(QString("a\nb") + QChar(0), QStringEncoder::Utf16BE);
    QTest::addRow("byte that Windows-1251 leaves undefined")
        << "Batches.txt" << QByteArray("B1\rB2\r\n\xC0\x98") << "-"
        << "Line 3 is neither UTF-8 nor Windows-1251 text" + cut << QByteArray("B1\rB2\r\n\xC0\x98");
    QTest::addRow("UTF-16 cut inside a character") << "Batches.txt"
                                                   << QByteArray("\xFF\xFE"
                                                                 "a\0\n\0b",
                                                                 7)
                                                   << "-"
                                                   << "Line 2 is not valid UTF-16 text" + cut
                                                   << QByteArray("\xFF\xFE"
                                                                 "a\0\n\0b",
                                                                 7);
    QTest::addRow("UTF-16 with half a surrogate pair") << "articles.txt"
                                                       << QByteArray("\xFF\xFE"
                                                                     "a\0\x3D\xD8"
                                                                     "b\0",
                                                                     8)
                                                       << "-"
                                                       << "Line 1 is not valid UTF-16 text" + cut
                                                       << QByteArray("\xFF\xFE"
                                                                     "a\0\x3D\xD8"
                                                                     "b\0",
                                                                     8);
    // Regression: OK wrote each entry holding U+2028 or U+2029 back as two.
    QTest::addRow("entries holding U+2028 and U+2029")
        << "Suppliers.txt"
        << QByteArray("A\xE2\x80\xA8"
                      "B\r\nC\xE2\x80\xA9"
                      "D")
        << QString("A%1B\nC%2D").arg(QChar(0xF028)).arg(QChar(0xF029)) << ""
        << QByteArray("A\xE2\x80\xA8"
                      "B\r\nC\xE2\x80\xA9"
                      "D");
    // Regression: Enter in the field wrote the list's text cut at the NUL.
    QTest::addRow("company with a NUL")
        << "Company.txt" << QByteArray("Nelvo\0 Ltd\r\n", 12) << "Unspecified Company Ltd"
        << "Line 1 holds a NUL character" + cut << QByteArray("Nelvo\0 Ltd\r\n", 12);
}

// Whatever a user's editor saved, OK without a change (or Enter in the
// company field) writes the same entries back, or the file is refused with
// one message naming it and is left byte for byte.
void TestListsEditor::okWithoutChangeNeverDestroysTheFile() {
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    QFETCH(QString, problem);
    QFETCH(QByteArray, after);
    TempAppDir dir(false);
    dir.writeFile(file, bytes);
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    if (file == "Company.txt") {
        QLineEdit ecompany("Unspecified Company Ltd");
        CompanyName company(&ecompany, lists.store, dialogs);
        company.load("Company");
        QCOMPARE(ecompany.text(), shown);
        QVERIFY(company.save("Company"));
    } else {
        TForm2 form(lists.store, dialogs);
        const QString listName = QFileInfo(file).baseName();
        const bool opened = runEditor(form, listName.left(1).toUpper() + listName.mid(1), [&] {
            QCOMPARE(form.Memo1->toPlainText(), shown);
            form.Button1->click();
        });
        QCOMPARE(opened, shown != "-");
    }
    const QStringList message{"standardError: Cannot open file \"" +
                              QDir::toNativeSeparators(dir.filePath(file)) + "\". " + problem};
    QCOMPARE(dialogs.shown, problem.isEmpty() ? QStringList() : message);
    QCOMPARE(dir.readFile(file), after);
}

void TestListsEditor::batchEditorRefusesNamesThatLeaveTheirFolder_data() {
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("named"); // the batches the message names; empty when OK writes the list
    QTest::addRow("..") << "Batches"
                        << "B1\n..\nB2"
                        << "\"..\"";
    // Regression: the batch put its photos in x/ beside the application directory.
    QTest::addRow("../../x") << "Batches"
                             << "../../x"
                             << "\"../../x\"";
    QTest::addRow(".") << "Batches"
                       << "."
                       << "\".\"";
    QTest::addRow("slash") << "Batches"
                           << "S/24"
                           << "\"S/24\"";
    QTest::addRow("backslash") << "Batches"
                               << "S\\24"
                               << "\"S\\24\"";
    QTest::addRow("tab") << "Batches"
                         << "S\t24"
                         << "\"S\u240924\"";
    QTest::addRow("NUL") << "Batches" << QString("S") + QChar(0) << "\"S\u2400\"";
    QTest::addRow("DEL and a C1 control")
        << "Batches" << QString("a%1\nb%2").arg(QChar(0x7F), QChar(0x85)) << "\"a\uFFFD\", \"b\uFFFD\"";
    QTest::addRow("eleven at once") << "Batches" << QString("..\n").repeated(11)
                                    << QString("\"..\", ").repeated(10) + "and 1 more";
    QTest::addRow("dots among other letters are names") << "Batches"
                                                        << "...\n.B1\nB1.\nS..24\n"
                                                        << "";
    QTest::addRow("an empty batch is photos directly in pictures") << "Batches"
                                                                   << "\nB1"
                                                                   << "";
    QTest::addRow("a supplier is no folder") << "Suppliers"
                                             << "A/B Ltd\n.."
                                             << "";
}

// The batch is the name of its photo folder: a batch that would not stay
// inside pictures is refused with the rule, the text kept for correcting.
void TestListsEditor::batchEditorRefusesNamesThatLeaveTheirFolder() {
    QFETCH(QString, list);
    QFETCH(QString, typed);
    QFETCH(QString, named);
    TempAppDir dir(false);
    dir.writeFile(list + ".txt", "old");
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    TForm2 form(lists.store, dialogs);
    QVERIFY(runEditor(form, list, [&] {
        form.Memo1->setPlainText(typed);
        form.Button1->click();
        QCOMPARE(form.isVisible(), !named.isEmpty());
    }));
    if (named.isEmpty()) {
        QCOMPARE(dialogs.shown, QStringList());
        QCOMPARE(QString::fromUtf8(dir.readFile(list + ".txt")), QString(typed).replace("\n", "\r\n"));
        return;
    }
    QCOMPARE(dialogs.shown,
             QStringList{
                 "information: These batches cannot name a photo folder: " + named +
                 "\r\nA batch must not be \".\", \"..\" or \"previews:\", nor hold \"/\", \"\\\" or control "
                 "characters.\r\nChange them and press OK again."});
    QVERIFY(!form.listResult());
    QCOMPARE(dir.readFile(list + ".txt"), QByteArray("old"));
}

void TestListsEditor::missingListEmptiesTheTextArea() {
    // Regression: the text of the list shown before must not be written into a
    // list that has no file yet.
    TempAppDir dir(false);
    dir.writeFile("Articles.txt", "Dress\r\nCoat");
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    TForm2 form(lists.store, dialogs);
    QVERIFY(runEditor(form, "Articles", [&] { form.Button2->click(); }));
    QVERIFY(runEditor(form, "Suppliers", [&] {
        QCOMPARE(form.Memo1->toPlainText(), QString());
        form.Button1->click();
    }));
    QCOMPARE(dir.readFile("Suppliers.txt"), QByteArray());
    QVERIFY(QFileInfo::exists(dir.filePath("Suppliers.txt")));
}

void TestListsEditor::unreadableListIsNotShown() {
    TempAppDir dir(false);
    QVERIFY(QDir().mkpath(dir.filePath("Batches.txt")));
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    TForm2 form(lists.store, dialogs);
    QVERIFY(!form.editList("Batches"));
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY2(dialogs.shown.first().startsWith("standardError: Cannot open file \""),
             qPrintable(dialogs.shown.first()));
}

void TestListsEditor::failedWriteKeepsTheDialogOpen() {
    TempAppDir dir(false);
    // Root ignores permission bits, so the folder is made unusable instead: the
    // application directory given to the editor is a file.
    dir.writeFile("notafolder", "x");
    ScriptedDialogs dialogs;
    const FileLists lists(dir.filePath("notafolder"));
    TForm2 form(lists.store, dialogs);
    QVERIFY(runEditor(form, "Batches", [&] {
        form.Memo1->setPlainText("B7");
        form.Button1->click();
        QVERIFY(form.isVisible());
        QCOMPARE(form.Memo1->toPlainText(), QString("B7"));
        QCOMPARE(dialogs.shown.size(), 1);
        const QString expected = "standardError: Cannot create file \"" +
                                 QDir::toNativeSeparators(dir.filePath("notafolder/Batches.txt")) + "\". ";
        QVERIFY2(dialogs.shown.first().startsWith(expected), qPrintable(dialogs.shown.first()));
        form.Button2->click();
    }));
    QVERIFY(!form.listResult());
}

void TestListsEditor::enterAndEscapeDoNotClose() {
    TempAppDir dir(false);
    dir.writeFile("Articles.txt", "a");
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    TForm2 form(lists.store, dialogs);
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

void TestListsEditor::closeBoxKeepsTheResult() {
    TempAppDir dir(false);
    ScriptedDialogs dialogs;
    const FileLists lists(dir.path());
    TForm2 form(lists.store, dialogs);
    QVERIFY(runEditor(form, "Articles", [&] { form.Button1->click(); }));
    QVERIFY(form.listResult());
    QVERIFY(runEditor(form, "Articles", [&] {
        form.close();
        QVERIFY(!form.isVisible());
    }));
    QVERIFY(form.listResult());
}

void TestListsEditor::companyLoad_data() {
    QTest::addColumn<QByteArray>("bytes"); // "-" for no file
    QTest::addColumn<QString>("shown");
    QTest::addRow("no file keeps the design text") << QByteArray("-") << "Unspecified Company Ltd";
    QTest::addRow("first line only") << QByteArray("Nelvo Ltd\r\nsecond\r\n") << "Nelvo Ltd";
    QTest::addRow("not trimmed") << QByteArray("  Acme  \r\n") << "  Acme  ";
    QTest::addRow("empty first line") << QByteArray("\r\n") << "";
    QTest::addRow("zero bytes keeps the design text") << QByteArray() << "Unspecified Company Ltd";
    QTest::addRow("Windows-1251") << QByteArray("\xD4\xE8\xF0\xEC\xE0") << "Фирма";
}

void TestListsEditor::companyLoad() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, shown);
    TempAppDir dir(false);
    if (bytes != "-")
        dir.writeFile("company.txt", bytes);
    ScriptedDialogs dialogs;
    QLineEdit ecompany("Unspecified Company Ltd");
    const FileLists lists(dir.path());
    CompanyName company(&ecompany, lists.store, dialogs);
    company.load("Company");
    QCOMPARE(ecompany.text(), shown);
    QVERIFY(dialogs.shown.isEmpty());
}

void TestListsEditor::companySave() {
    TempAppDir dir(false);
    ScriptedDialogs dialogs;
    QLineEdit ecompany("Ана ЕООД");
    const FileLists lists(dir.path());
    CompanyName company(&ecompany, lists.store, dialogs);
    QVERIFY(company.save("Company"));
    QVERIFY(company.save("Company"));
    QCOMPARE(dir.readFile("Company.txt"),
             QByteArray("\xD0\x90\xD0\xBD\xD0\xB0 \xD0\x95\xD0\x9E\xD0\x9E\xD0\x94\r\n"));
    ecompany.setText("x");
    company.load("Company");
    QCOMPARE(ecompany.text(), QString("Ана ЕООД"));
}

void TestListsEditor::companySaveFailureIsReported() {
    TempAppDir dir(false);
    dir.writeFile("Company.txt", "Old Ltd\r\n");
    ScriptedDialogs dialogs;
    QLineEdit ecompany("New Company Ltd");
    const FileLists lists(dir.path());
    CompanyName company(&ecompany, lists.store, dialogs);
    {
        const FileSizeLimit diskFull(4); // the write fails half-way
        QVERIFY(!company.save("Company"));
    }
    QCOMPARE(dialogs.shown.size(), 1);
    const QString expected = "standardError: Cannot create file \"" +
                             QDir::toNativeSeparators(dir.filePath("Company.txt")) + "\". ";
    QVERIFY2(dialogs.shown.first().startsWith(expected), qPrintable(dialogs.shown.first()));
    QCOMPARE(ecompany.text(), QString("New Company Ltd"));
    QCOMPARE(dir.readFile("Company.txt"), QByteArray("Old Ltd\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Company.txt"});
}

QTEST_MAIN(TestListsEditor)
#include "tst_lists_editor.moc"
