#pragma once
// The bytes of a side file turned into its text, in whichever encoding the
// user's editor saved it.
//
// A byte-order mark names the encoding: UTF-16 little- or big-endian (what
// Notepad's "Unicode" writes), or UTF-8. Without one, each line is read as
// UTF-8 when it is valid UTF-8 and as Windows-1251 otherwise, the code page
// such lists were kept in on Bulgarian Windows systems; one stray
// Windows-1251 line must not turn the UTF-8 entries of the same list into
// garbage.
//
// A text is read whole or not at all: a NUL character, bytes that are text in
// none of these encodings (the one byte Windows-1251 leaves undefined, a
// broken UTF-16 sequence) make the text unusable, since a list read in part
// and written back by the editor would lose the rest for good.

#include <QByteArray>
#include <QString>

class PickListText {
  public:
    struct Decoded {
        QString text;    // breaks as in the file; empty when not read whole
        QString problem; // empty when read whole; else what stopped it ("Line 3 holds a NUL character")
    };

    static Decoded decode(const QByteArray& bytes);

  private:
    static Decoded decodeUtf16(const QByteArray& bytes, bool bigEndian);
    static Decoded decodeEightBit(const QByteArray& bytes);
    // The line, counted from 1, that holds the character at position.
    static qsizetype lineAt(const QString& text, qsizetype position);
};
