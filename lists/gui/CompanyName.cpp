#include "lists/gui/CompanyName.h"

#include "lists/ListStore.h"
#include "ui/Dialogs.h"

#include <QLineEdit>

CompanyName::CompanyName(QLineEdit* field, const ListStore& store, Dialogs& dialogs)
    : m_field(field), m_store(store), m_dialogs(dialogs) {}

void CompanyName::keepUnread() {
    m_keepUnreadFile = true;
    m_textWhenUnread = m_field->text();
}

void CompanyName::load(const QString& baseName) {
    const PickListFile::Entries file = m_store.readEntries(baseName);
    if (file.status == PickListFile::Status::Error) {
        m_dialogs.standardError(file.error);
        keepUnread();
        return;
    }
    // A file without any line names no company: the design text stays, as when
    // there is no file at all.
    m_keepUnreadFile = false;
    if (file.status == PickListFile::Status::Ok && !file.lines.isEmpty())
        m_field->setText(file.lines.first());
}

bool CompanyName::save(const QString& baseName) {
    if (m_keepUnreadFile && m_field->text() == m_textWhenUnread)
        return true;
    QString error;
    if (m_store.write(baseName, m_field->text() + QStringLiteral("\r\n"), SharedStore::AnyVersion, &error) ==
        SharedStore::Written::Done) {
        m_keepUnreadFile = false;
        return true;
    }
    m_dialogs.standardError(error);
    return false;
}
