#pragma once
// The two number forms the window shows to the user: integer text (plain
// decimal, leading minus, no grouping) and general number text (shortest form
// with at most 15 significant digits). The summary counters hold their value
// only as shown text, so the readers here must take back whatever the writers
// produced, in the system's locale or with a "." separator.

#include <QLocale>
#include <QString>
#include <QtGlobal>

namespace NumberText {

QString integerText(qint64 value);

// Shortest decimal form with at most 15 significant digits, no trailing zeros,
// the locale's decimal separator only when there is a fraction, no grouping.
// Exponent form ("1E20", "1.5E-6") only when more than 15 digits stand before
// the separator or a non-zero value is below 0.00001 in magnitude. Zero is "0".
QString generalText(double value, const QLocale& locale = QLocale());

// Read a counter's text back: the locale's own parsing first, then "." as the
// separator. An empty text reads as 0 (a counter that was never written).
bool readInteger(const QString& text, qint64* out);
bool readNumber(const QString& text, double* out);

// A typed number as people write it: the locale's digit grouping (and a plain
// space where the locale groups with a space-like character) is taken out
// when the groups are whole ("1 000,5", "1,000.5"); a text without grouping
// comes back as it is. False for grouping that is not whole ("12,5" where ","
// groups digits), so that a mistyped separator is refused, not misread.
bool withoutGrouping(const QString& text, QString* out, const QLocale& locale = QLocale());

} // namespace NumberText
