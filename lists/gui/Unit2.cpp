#include "lists/gui/Unit2.h"

#include "data/EntryName.h"
#include "data/OrderColumns.h"
#include "lists/ListEntries.h"
#include "lists/ListMerge.h"
#include "lists/ListStore.h"
#include "lists/PickListTable.h"
#include "lists/gui/EntryUse.h"
#include "ui/Dialogs.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

// The editor's document ends a paragraph at U+2029 and shows U+2028 as a
// line break, so an entry holding either would come back from it as two
// (a list's entries end only at CR, LF or CR LF). While edited they are
// stand-ins from the private use area, and are written back as they were;
// a break the user types (Enter, Shift+Enter) is a new entry.
constexpr QChar LineStandIn(0xF028);
constexpr QChar ParagraphStandIn(0xF029);

QString forEditor(QString text) {
    text.replace(QChar::LineSeparator, LineStandIn);
    text.replace(QChar::ParagraphSeparator, ParagraphStandIn);
    return text;
}

QString fromEditor(QString text) {
    text.replace(QChar::ParagraphSeparator, QLatin1String("\r\n"));
    text.replace(QChar::LineSeparator, QLatin1String("\r\n"));
    text.replace(LineStandIn, QChar::LineSeparator);
    text.replace(ParagraphStandIn, QChar::ParagraphSeparator);
    return text;
}

} // namespace

TForm2::TForm2(const ListStore& store, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_store(store), m_dialogs(dialogs) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Form2"));
    resize(330, 340);

    Label1 = new QLabel(QStringLiteral("List"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setTabChangesFocus(true);
    Label1->setBuddy(Memo1);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    for (QPushButton* button : {Button1, Button2}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm2::Button2Click);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Memo1, 1);
    layout->addLayout(buttons);
}

bool TForm2::editList(const QString& listName) {
    Label1->setText(listName);
    m_renamed.clear();
    // Loaded before the dialog appears: a list that cannot be read stops the
    // edit here, before an OK could overwrite the file with other text.
    if (!FormShow())
        return false;
    exec();
    return true;
}

bool TForm2::FormShow() {
    const PickListFile::Text file = m_store.readText(Label1->text());
    m_readText = file.text;
    m_readVersion = file.version;
    switch (file.status) {
    case PickListFile::Status::Ok:
        Memo1->setPlainText(forEditor(file.text));
        return true;
    case PickListFile::Status::Missing:
        // Emptied rather than left as it was: the text of the list shown before
        // would otherwise be written into this list's file on OK.
        Memo1->clear();
        return true;
    case PickListFile::Status::Error:
        m_dialogs.standardError(file.error);
        return false;
    }
    return false;
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Memo1->setFocus();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
    // Swallowed so that neither key closes the dialog or presses a button.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TForm2::Button1Click() {
    // The raw text keeps no-break spaces (toPlainText() would turn them into
    // plain spaces); its paragraph breaks become CR LF, nothing after the last line.
    const QString text = fromEditor(Memo1->document()->toRawText());
    // Refused before anything is written: the user's text stays for correcting.
    const QStringList entries = PickListFile::splitEntries(text);
    QString tooLong;
    if (!ListEntries::entriesFit(Label1->text(), entries, &tooLong)) {
        m_dialogs.information(
            ListEntries::longEntriesMessage({tooLong}, QStringLiteral("Shorten them and press OK again.")));
        return;
    }
    QString folderless;
    if (!batchesNameFolders(entries, &folderless)) {
        m_dialogs.information(folderless);
        return;
    }
    ListEdit::Changes changes;
    if (m_use) {
        changes = EntryUse::changesOf(Label1->text(), PickListFile::splitEntries(m_readText), entries);
        if (!m_use->confirmRemoved(Label1->text(), changes.removed))
            return;
    }
    QString error;
    switch (m_store.write(Label1->text(), text, m_readVersion, &error)) {
    case SharedStore::Written::Failed:
        m_dialogs.standardError(error);
        return;
    case SharedStore::Written::Changed:
        showOthersChanges(text);
        return;
    case SharedStore::Written::Done:
        m_renamed = changes.renamed;
        m_result = true;
        accept();
    }
}

void TForm2::showOthersChanges(const QString& mine) {
    const PickListFile::Text theirs = m_store.readText(Label1->text());
    if (theirs.status == PickListFile::Status::Error) {
        m_dialogs.standardError(theirs.error);
        return;
    }
    Memo1->setPlainText(
        forEditor(ListMerge::merge(m_readText, PickListFile::normaliseBreaks(mine), theirs.text)));
    m_readText = theirs.text;
    m_readVersion = theirs.version;
    m_dialogs.information(
        QStringLiteral(
            "The list \"%1\" was changed by another user while you edited it; nothing was stored.\r\n"
            "It now shows their list with your changes: check it and press OK again.")
            .arg(Label1->text()));
}

bool TForm2::batchesNameFolders(const QStringList& entries, QString* message) const {
    const PickListTable::List* list = PickListTable::find(Label1->text());
    if (!list || list->column != OrderColumns::Batch)
        return true;
    QStringList named;
    for (const QString& entry : entries) {
        if (!EntryName::namesOneEntry(entry))
            named << QLatin1Char('"') + EntryName::visible(entry) + QLatin1Char('"');
    }
    if (named.isEmpty())
        return true;
    *message = QStringLiteral(
                   "These batches cannot name a photo folder: %1\r\n%2\r\nChange them and press OK again.")
                   .arg(ListEntries::namedAtMost(named).join(QLatin1String(", ")), EntryName::batchRule());
    return false;
}

void TForm2::Button2Click() {
    m_result = false;
    reject();
}
