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

#include <QString>

class PhotoPath {
public:
    // appDir: the application directory, with or without a trailing separator.
    PhotoPath(const QString& appDir, const QString& batch, const QString& photoText);

    QString folder() const; // absolute folder of the batch
    QString file() const;   // absolute path of the photo file

    static QString picturesFolderName() { return QStringLiteral("pictures"); }

private:
    QString m_appDir;
    QString m_batch;
    QString m_photoText;
};
