#include "lists/ListStore.h"

#include "data/Database.h"
#include "data/Engine.h"

ListStore::ListStore(const QString& applicationDirectory, Database& database)
    : m_directory(applicationDirectory), m_database(database),
      m_server(Database::hasServerSetting(applicationDirectory)) {}

QString ListStore::filePath(const QString& name) const {
    return PickListFile::resolve(m_directory, name + QStringLiteral(".txt"));
}

PickListFile::Text ListStore::readText(const QString& name) const {
    if (!onServer())
        return PickListFile::readText(filePath(name));
    PickListFile::Text result;
    SharedStore::Text stored;
    if (Engine* engine = m_database.serverEngine(&stored.error))
        stored = SharedStore(*engine).readText(serverName(name), PickListFile::LargestFile);
    if (!stored.ok) {
        result.status = PickListFile::Status::Error;
        result.error =
            QStringLiteral("Cannot read the list \"%1\" from the server. %2").arg(name, stored.error);
        return result;
    }
    if (!stored.found)
        return result;
    result.status = PickListFile::Status::Ok;
    result.text = PickListFile::normaliseBreaks(stored.text);
    result.version = stored.version;
    return result;
}

PickListFile::Entries ListStore::readEntries(const QString& name) const {
    return PickListFile::entriesOf(readText(name));
}

SharedStore::Written ListStore::write(const QString& name, const QString& text, qint64 expected,
                                      QString* error) const {
    if (!onServer())
        return PickListFile::write(filePath(name), text, error) ? SharedStore::Written::Done
                                                                : SharedStore::Written::Failed;
    QString reason;
    SharedStore::Written written = SharedStore::Written::Failed;
    if (Engine* engine = m_database.serverEngine(&reason))
        written = SharedStore(*engine).writeText(serverName(name), text, expected, &reason);
    if (written == SharedStore::Written::Failed)
        *error = QStringLiteral("Cannot store the list \"%1\" on the server. %2").arg(name, reason);
    return written;
}
