#pragma once
// Whether a path below a root folder leads to a regular file (or to nothing
// yet) with no symbolic link on the way, and is not a folder, device, pipe or
// socket itself. The photo folders ("pictures", "pictures-cache") are written to
// by other PCs and programs; a link placed in them would make a show read,
// an attach overwrite (a save file writes to a link's target) and a delete
// remove a file anywhere on the machine. Each entry is looked at itself, its
// link not followed. Entries that do not exist yet pass: they are made as
// real folders and files.
//
// What lies between a check and the work that follows it can still change;
// the check keeps an honest store from being led out by a link left in it.

#include <QString>

namespace PlainEntries {

// True when no existing entry of path below root is a link and the last one,
// if it exists, is a regular file; otherwise false with refusal set to the
// message naming the entry, for the user. path must lie below root (both
// absolute).
bool isPlainFile(const QString& root, const QString& path, QString* refusal);

} // namespace PlainEntries
