#pragma once
// A photo's preview: a small JPEG made from it (the longer side at most 640
// pixels, quality 85: some 30 to 80 KB for a camera photo), which the photo
// area shows instead of decoding the whole photo, and which is all that
// crosses a server's network to show a line. The original is read only to
// enlarge it.
//
// On a file register the preview of pictures/<batch>/<name> lies at
// pictures/<batch>/previews:/<name>. No Windows folder can hold that name (a
// colon is not allowed in a Windows file name), so a folder copied over from
// the Windows program never collides with it, and no batch may be named so
// (EntryName::namesOneEntry), so a batch's folder never collides with the
// previews of the photos lying directly in "pictures". A preview is the
// photo's only while its modification time is the photo's (it is set so when
// the preview is written): a photo replaced or copied in by another program
// is seen as having none, and gets a new one.
//
// The preview is made from bytes that decoded; a photo that does not decode
// has none. Making one reads at most the decoder's own bounds (JpegDecoder).

#include "data/EntryName.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace PhotoPreview {

constexpr int LongSide = 640;
constexpr int Quality = 85;
// More than any preview this program makes; a larger one is not read.
constexpr qint64 LargestBytes = qint64(4) * 1024 * 1024;

inline QString folderName() {
    return EntryName::previewsFolder();
}

// The preview of the photo bytes; empty with error set when they do not decode.
QByteArray make(const QByteArray& photo, QString* error);
// The same with the longer side at most longSide, at quality.
QByteArray makeWithin(const QByteArray& photo, int longSide, int quality, QString* error);

// Where the preview of the photo file lies (file register).
QString fileOf(const QString& photoFile);
// Whether the preview file of photoFile is the photo's own (its time is the photo's).
bool isCurrent(const QString& photoFile);
// Writes the preview of a photo whose modification time was photoTime when
// its bytes were read; error says why it could not be written.
bool write(const QString& photoFile, const QByteArray& preview, const QDateTime& photoTime, QString* error);

} // namespace PhotoPreview
