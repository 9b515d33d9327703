#pragma once
// Keeps the local copies of a server's photos (the cache folder) from growing
// for ever. A copy is named <number>-<version>.jpg in its batch folder, and a
// photo's version only grows (it comes from one sequence), so of the copies
// of one photo only the highest version can still be the stored one; the
// others are removed. The whole folder is held under a bound, the copies
// written longest ago going first: a copy removed is fetched again when its
// photo is shown.
//
// Only regular files named as copies are removed, in the cache folder and its
// batch folders; links are not followed, other files are left alone.

#include <QString>

namespace PhotoCacheUpkeep {

// What the cache may hold in all.
constexpr qint64 LargestCacheBytes = qint64(1024) * 1024 * 1024;

// Removes the copies of photo number in folder other than version keep.
void removeOtherVersions(const QString& folder, const QString& number, qint64 keep);
// Keeps only the highest version of each photo, then removes the copies
// written longest ago until the cache holds at most largestBytes.
void tidy(const QString& cacheFolder, qint64 largestBytes = LargestCacheBytes);

} // namespace PhotoCacheUpkeep
