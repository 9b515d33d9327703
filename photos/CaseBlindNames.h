#pragma once
// Finds an entry of a folder whose name differs from a given one only in
// letter case (the first in name order). Listing a folder costs in proportion
// to its entries, and a line without a photo has its folder looked up at every
// move and store, so a folder's listing is kept and taken again once the
// folder's modification time changes.
//
// A kept listing is trusted only when the folder had been unchanged for more
// than the coarsest time step of a file system (2 s on FAT) when it was
// taken: an entry added within the same step would otherwise leave the time
// as it was and stay unseen. Folders changed just before are listed anew on
// every look-up, as without the keeping.

#include <QString>

namespace CaseBlindNames {

// The entry's name as the folder spells it; empty when there is none (or the
// folder cannot be listed).
QString find(const QString& folder, const QString& name);

} // namespace CaseBlindNames
