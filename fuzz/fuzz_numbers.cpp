// The currency and number text parsers on arbitrary text. A text that parses
// must give a value whose own text parses back to the same value, in the C
// locale and in a locale with a comma separator and space grouping.

#include "data/Currency.h"
#include "data/NumberText.h"

#include <QLocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

void check(const QString& text) {
    Currency amount;
    if (Currency::parse(text, &amount)) {
        Currency again;
        if (!Currency::parse(amount.toString(), &again) || again != amount)
            std::abort();
        if (!Currency::parse(amount.toString(QLocale::c()), &again) || again != amount)
            std::abort();
    }
    QString plain;
    if (NumberText::withoutGrouping(text, &plain)) {
        // Taking out the grouping never adds characters.
        if (plain.size() > text.trimmed().size())
            std::abort();
        Currency::parse(plain, &amount);
    }
    qint64 whole = 0;
    if (NumberText::readInteger(text, &whole)) {
        qint64 again = 0;
        if (!NumberText::readInteger(NumberText::integerText(whole), &again) || again != whole)
            std::abort();
    }
    double number = 0;
    if (NumberText::readNumber(text, &number) && std::isfinite(number)) {
        // The shown form keeps 15 digits: reading it and showing it again is stable.
        const QString shown = NumberText::generalText(number);
        double again = 0;
        if (!NumberText::readNumber(shown, &again) || NumberText::generalText(again) != shown)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size > 4096)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QLocale::setDefault(QLocale::c());
    check(text);
    // Bulgarian: comma decimals, grouping with a no-break space.
    QLocale::setDefault(QLocale(QLocale::Bulgarian, QLocale::Bulgaria));
    check(text);
    return 0;
}
