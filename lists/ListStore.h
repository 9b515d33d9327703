#pragma once
// Where the pick lists and the company name are kept. On the embedded
// register: the side files of the application directory (PickListFile),
// exactly as before. On a server register: its shared texts (SharedStore),
// so that every clerk's PC reads and writes the same lists; the local files
// are then not used.
//
// A list is named by its base name ("Articles", "Company"), matched without
// regard to case on both: the file name resolves case-blind, the server keeps
// the name in lower case.
//
// Each text read carries its version (always 0 for a file): the list editor
// stores its text only over the version it read, so a list another clerk
// stored meanwhile is not overwritten unseen.

#include "data/SharedStore.h"
#include "lists/PickListFile.h"

class Database;
class Engine;

class ListStore {
  public:
    ListStore(const QString& applicationDirectory, Database& database);

    // Whether the application directory names a server register (then the
    // lists are on the server, also while it cannot be reached).
    bool onServer() const { return m_server; }
    PickListFile::Text readText(const QString& name) const;
    PickListFile::Entries readEntries(const QString& name) const;
    // Writes text as the list's whole content over version expected (see
    // SharedStore::writeText; a file is always written, as before). error is
    // "Cannot create file ..." or the server's reason.
    SharedStore::Written write(const QString& name, const QString& text, qint64 expected,
                               QString* error) const;

    // The key of a list on the server.
    static QString serverName(const QString& name) { return name.toLower(); }

  private:
    QString filePath(const QString& name) const;

    QString m_directory;
    Database& m_database;
    bool m_server;
};
