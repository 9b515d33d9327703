#pragma once
// Moving over from the Windows register: when db1.mdb is still its Access
// file, start-up offers to convert Table1 into a register of this program.
// On OK the Access file is read by the reader program in a process of its
// own (AccessReaderProcess), the lines are written into a side file and
// checked against the Access file (line count, received pieces, money); only
// when they agree is the Access file kept under a name of its own and the
// new file renamed to db1.mdb. Cancel, a failure or a mismatch leave db1.mdb
// as it was, and no side file behind; the user is then offered to set the
// Access file aside and start an empty register, so that the window does not
// open on a register that cannot be used. Called on the GUI thread only.

#include "data/AccessFile.h"

#include <QString>
#include <functional>
#include <memory>

class Dialogs;

class AccessImport {
  public:
    // Opens Table1 of an Access file; a source whose errorString() is not
    // empty could not be opened.
    using SourceOpener = std::function<std::unique_ptr<RowSource>(const QString& path)>;
    // Tests read their own rows instead of the reader program's; an empty
    // opener restores the reader program.
    static void setSourceOpener(SourceOpener opener);

    explicit AccessImport(Dialogs& dialogs) : m_dialogs(dialogs) {}

    // Asks, converts and checks as above. True when db1.mdb in appDir is now
    // a register to open; false when it is still the Access file (every
    // failure has been shown).
    bool run(const QString& appDir, AccessFormat format);

    // Where the Access file is kept: db1-access.mdb, or a numbered name when
    // that is taken, so an earlier kept file is never overwritten.
    static QString keptName(const QString& appDir);

  private:
    bool convert(const QString& appDir, const QString& kept);
    bool offerEmptyRegister(const QString& appDir);

    Dialogs& m_dialogs;
};
