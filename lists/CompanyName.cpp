#include "lists/CompanyName.h"

#include "ui/Dialogs.h"
#include "lists/PickListFile.h"

#include <QLineEdit>

CompanyName::CompanyName(QLineEdit* field, const QString& applicationDirectory, Dialogs& dialogs)
    : m_field(field), m_directory(applicationDirectory), m_dialogs(dialogs)
{
}

QString CompanyName::path(const QString& baseName) const
{
    return PickListFile::resolve(m_directory, baseName + QStringLiteral(".txt"));
}

void CompanyName::load(const QString& baseName)
{
    const PickListFile::Entries file = PickListFile::readEntries(path(baseName));
    if (file.status == PickListFile::Status::Error) {
        m_dialogs.standardError(file.error);
        m_keepUnreadFile = true;
        m_textWhenUnread = m_field->text();
        return;
    }
    // A file without any line names no company: the design text stays, as when
    // there is no file at all.
    if (file.status == PickListFile::Status::Ok && !file.lines.isEmpty())
        m_field->setText(file.lines.first());
}

bool CompanyName::save(const QString& baseName)
{
    if (m_keepUnreadFile && m_field->text() == m_textWhenUnread)
        return true;
    QString error;
    if (PickListFile::write(path(baseName), m_field->text() + QStringLiteral("\r\n"), &error)) {
        m_keepUnreadFile = false;
        return true;
    }
    m_dialogs.standardError(error);
    return false;
}
