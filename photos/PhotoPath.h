#pragma once
// Where a line's photo lies: one JPEG per line under the application
// directory's "pictures" folder, in a subfolder per batch, named by the photo
// number. The store has no index: the batch chooser's text and the line's
// photo field are the whole link between a line and its file.
//
// Paths use the system's own separator. With an empty batch the file lies
// directly in "pictures". The texts are used as given (the batch as the pick
// list spells it, the photo number as the field shows it, empty when null).
//
// The Windows register ran on a file system that ignores letter case, so a
// copied store may hold "pictures/A1/7.JPG" for batch "a1". Where the exact
// spelling does not exist, a folder or file whose name differs from it only
// in case is taken instead (the first in name order); where neither exists
// the exact spelling is given, for a new folder or file.
//
// The batch and the photo number come from the register and the lists, which
// other clerks and other programs write: the path never leaves "pictures".
// A batch that is "." or "..", or holds a separator or a control character,
// names no folder: such a path is not usable, and folder() and file() are
// empty. The case-blind lookup takes only entries that the folder itself
// lists, never "." or "..", so it cannot lead out either.

#include <QString>

class PhotoPath {
  public:
    // appDir: the application directory, with or without a trailing separator.
    PhotoPath(const QString& appDir, const QString& batch, const QString& photoText);

    // False when the batch (or the photo number) cannot name an entry of its
    // folder; refusal() then says so, naming the batch, for the user.
    bool isUsable() const;
    QString refusal() const;
    QString folder() const; // absolute folder of the batch; empty when not usable
    QString file() const;   // absolute path of the photo file; empty when not usable
    QString batch() const { return m_batch; }
    QString photoText() const { return m_photoText; }

    static QString picturesFolderName() { return QStringLiteral("pictures"); }
    // The name of the photo file numbered photoText: "<number>.jpg".
    static QString fileNameOf(const QString& photoText);
    // Whether a file of the store is named as a photo ("<number>.jpg", the
    // suffix in any case, as the case-blind lookup finds it); number gets
    // the photo number.
    static bool isPhotoFileName(const QString& fileName, QString* number);

  private:
    QString m_appDir;
    QString m_batch;
    QString m_photoText;
};
