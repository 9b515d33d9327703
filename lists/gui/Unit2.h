#pragma once
// The list editor Form2: one pick list (its file, or on a server register
// its shared text, see ListStore) shown as plain text, edited and written
// back on OK. On a server another clerk may store the same list while this
// one edits it: OK then stores nothing, shows their list with this clerk's
// changes put onto it (ListMerge), and says so; a second OK stores that.
//
// The window creates it once at start-up (it keeps its text between showings)
// and opens it through PickLists::editPickList(), which calls editList() and
// then reads listResult(). Neither button answers Enter or Escape, so that a
// key pressed while typing a list never closes it; the close box closes it and
// leaves the result as the last OK or Cancel left it.

#include <QDialog>
#include <QList>
#include <QPair>
#include <QStringList>

class Dialogs;
class EntryUse;
class ListStore;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class TForm2 : public QDialog {
    Q_OBJECT
  public:
    TForm2(const ListStore& store, Dialogs& dialogs, QWidget* parent = nullptr);

    // Sets Label1 to the list name (also the file's base name), loads the file
    // and shows the dialog modally. Returns false, without showing it, when the
    // file exists but cannot be read (the message has been shown).
    bool editList(const QString& listName);
    // The list editor result: set by OK, cleared by Cancel, false at first.
    bool listResult() const { return m_result; }
    // With it, OK names the removed entries lines still hold before the list
    // is stored, and keeps the entries renamed (from, to) for the caller to
    // offer to the lines (renamedEntries(), empty unless OK stored the list).
    void setEntryUse(EntryUse* use) { m_use = use; }
    QList<QPair<QString, QString>> renamedEntries() const { return m_renamed; }

    QLabel* Label1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QPushButton* Button2;

  public slots:
    void Button1Click();
    void Button2Click();

  protected:
    // Loads the list into the text area; false when the file cannot be read.
    bool FormShow();
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // A batch is also the name of its photo folder: whether every batch of
    // the list can be one (true for other lists); when not, message names
    // those that cannot.
    bool batchesNameFolders(const QStringList& entries, QString* message) const;

    // Another clerk stored the list since it was read: shows theirs with this
    // clerk's changes (mine) put onto it, ready for another OK.
    void showOthersChanges(const QString& mine);

    const ListStore& m_store;
    Dialogs& m_dialogs;
    bool m_result = false;
    QString m_readText;       // the list as last read, "\n" breaks
    qint64 m_readVersion = 0; // its version (0: none stored, or a file)
    EntryUse* m_use = nullptr;
    QList<QPair<QString, QString>> m_renamed;
};
