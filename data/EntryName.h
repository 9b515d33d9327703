#pragma once
// Which texts can name one entry of a folder: a batch names the folder of its
// photos, so the list editor refuses a batch that cannot, and the photo store
// never builds a path from one. Below both lists/ and photos/, which share it.

#include <QString>

namespace EntryName {

// The folder of the photos' previews, beside a batch's photos. No Windows
// file name holds a colon, so a folder copied over never collides with it.
inline QString previewsFolder() {
    return QStringLiteral("previews:");
}

// A name that is one entry of its folder: not "." or ".." (nor the
// previews' folder), and without
// "/", "\", NUL or other control characters. An empty batch is usable
// (photos directly in "pictures"), so an empty name passes.
bool namesOneEntry(const QString& name);
// The rule as the user reads it, for the list editor's message too.
QString batchRule();
// The name with its control characters made visible, for messages.
QString visible(const QString& name);

} // namespace EntryName
