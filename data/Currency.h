#pragma once
// An exact fixed-point amount with four decimal places, kept as a whole number
// of ten-thousandths in a 64-bit integer: how the register stores prices and
// money. Arithmetic on it never goes through binary floating point.

#include <QString>
#include <QtGlobal>

class QLocale;

class Currency {
  public:
    static constexpr qint64 Scale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromUnits(qint64 tenThousandths) { return Currency(tenThousandths); }

    // Parses a decimal text such as "12.5", "-0,3333" or "7". Both the locale's
    // decimal separator and "." are accepted. More than four decimals are
    // rounded to four, a half to the even neighbour (as the currency type of
    // the old engine did); letters, group separators or an out-of-range value
    // make it fail.
    static bool parse(const QString& text, Currency* out);

    qint64 units() const { return m_units; }
    double toDouble() const { return double(m_units) / Scale; }
    bool isZero() const { return m_units == 0; }

    // Shortest form without trailing zeros, with the given locale's decimal
    // separator: 12.5, 0.9999, 75, -3.
    QString toString(const QLocale& locale) const;
    QString toString() const;

    // Price times a count, exact; false when the result does not fit.
    static bool multiply(Currency price, qint64 count, Currency* out);

    friend bool operator==(Currency a, Currency b) { return a.m_units == b.m_units; }
    friend bool operator!=(Currency a, Currency b) { return a.m_units != b.m_units; }
    friend bool operator<(Currency a, Currency b) { return a.m_units < b.m_units; }

  private:
    constexpr explicit Currency(qint64 units) : m_units(units) {}
    qint64 m_units = 0;
};
