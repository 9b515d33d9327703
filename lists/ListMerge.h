#pragma once
// Puts one clerk's changes to a list onto the list as another clerk stored
// it meanwhile. A list is a bag of entries (the boxes sort them; duplicates
// count), so a change is entries added and entries removed: starting from
// their list, each entry this clerk removed from the list as first read goes
// (as often as it was removed), and each entry added comes in after theirs
// (as often as it was added). Both clerks' additions are kept; an entry one
// of them renamed is the old one removed and the new one added.
//
// Texts have "\n" line breaks; the result has no break after its last line.

#include <QString>

namespace ListMerge {

QString merge(const QString& base, const QString& mine, const QString& theirs);

} // namespace ListMerge
