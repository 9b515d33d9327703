#include "data/TextOrder.h"

#include <QCollator>
#include <algorithm>

namespace TextOrder {

static const QCollator& collator() {
    // Bulgarian rules order Cyrillic and Latin letters sensibly; case is
    // ignored. One collator for the whole run: building one costs more than
    // thousands of comparisons.
    static const QCollator instance = [] {
        QCollator c{QLocale(QLocale::Bulgarian, QLocale::Bulgaria)};
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        c.setIgnorePunctuation(false);
        return c;
    }();
    return instance;
}

int compare(const QString& a, const QString& b) {
    return collator().compare(a, b);
}

QCollatorSortKey sortKey(const QString& text) {
    return collator().sortKey(text);
}

void sort(QStringList& entries) {
    std::stable_sort(entries.begin(), entries.end(), less);
}

} // namespace TextOrder
