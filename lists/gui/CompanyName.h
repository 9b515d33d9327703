#pragma once
// The user's company name: the first line of the company file (on a server
// register, of its shared text; see ListStore) shown in the field ecompany,
// written back whenever the field is left or Enter is pressed in it.
//
// The window owns one, built over ecompany: it calls load() at the very start
// of start-up and save() from ecompanyExit (after restoring the field's colour)
// and from ecompanyKeyPress on Enter. The base name is the caption of the
// "Company" label.

#include <QString>

class Dialogs;
class ListStore;
class QLineEdit;

class CompanyName {
  public:
    CompanyName(QLineEdit* field, const ListStore& store, Dialogs& dialogs);

    // When base name + ".txt" exists, its first line becomes the field's text.
    // A missing or empty file leaves the field's text as it is; an unreadable
    // one (also one not read whole) is reported and also leaves it.
    void load(const QString& baseName);
    // Writes the field's text and one CR LF as the file's only line. A failure
    // is reported and changes nothing else. After a load that could not read
    // the file, the file is kept until the user gives the field another text:
    // the field's text then is not the file's, and writing it would destroy
    // what the file holds.
    bool save(const QString& baseName);
    // The name could not be read (its server cannot be reached): as after a
    // load that failed, the stored name is kept until the user gives the
    // field another text.
    void keepUnread();

  private:
    QLineEdit* m_field;
    const ListStore& m_store;
    Dialogs& m_dialogs;
    bool m_keepUnreadFile = false;
    QString m_textWhenUnread; // the field's text when the file could not be read
};
