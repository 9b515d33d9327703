#pragma once
// The side files of the pick lists and the company name: plain text, one entry
// per line, in the application directory.
//
// Reading: a line ends at CR, LF or CR LF; a break at the very end adds no
// entry; empty lines are empty entries; nothing is trimmed and duplicates stay.
// The encodings read are those of PickListText. A file is read whole or not at
// all: one that holds a NUL, is not text, is not a regular file (a device, a
// pipe: they may never end) or is larger than any list (LargestFile) is an
// Error, reported once, and is never written back by the program.
//
// Writing: exactly the given text, UTF-8 without a byte-order mark, through a
// temporary file in the same folder renamed over the old one, so that a failed
// write never leaves a half-written list.
//
// File names match without regard to case on every file system: resolve()
// finds the spelling that exists, so "articles.txt" and "Articles.txt" reach
// the same file.

#include <QString>
#include <QStringList>

class PickListFile {
  public:
    enum class Status { Ok, Missing, Error };

    struct Text {
        Status status = Status::Missing;
        QString text;       // line breaks normalised to "\n"
        QString error;      // "Cannot open file ..." when status is Error
        qint64 version = 0; // of a list kept on a server (ListStore); 0 for a file
    };
    struct Entries {
        Status status = Status::Missing;
        QStringList lines;
        QString error;
    };

    // The path of the file name in the directory, in the spelling that exists
    // there (ignoring case), or as given when none does. When several spellings
    // exist the first in name order wins, whichever spelling was asked for.
    static QString resolve(const QString& directory, const QString& fileName);

    // Far more than any list: a thousand suppliers of 50 characters each take
    // about 100 KB, even in UTF-16.
    static constexpr qint64 LargestFile = 1024 * 1024;

    static Text readText(const QString& path);
    static Entries readEntries(const QString& path);
    // The entries of a text read whole (also one read from elsewhere).
    static Entries entriesOf(const Text& text);
    // False with "Cannot create file ..." in *error when the file cannot be written.
    static bool write(const QString& path, const QString& text, QString* error);

    // The parts of reading, for callers that already hold the text.
    static QString normaliseBreaks(const QString& text);
    static QStringList splitEntries(const QString& text);
};
