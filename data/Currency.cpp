#include "data/Currency.h"

#include <QLocale>
#include <limits>

bool Currency::parse(const QString& input, Currency* out) {
    const QString text = input.trimmed();
    if (text.isEmpty())
        return false;
    const QChar localeSeparator = QLocale().decimalPoint().at(0);

    int pos = 0;
    bool negative = false;
    if (text[pos] == u'-' || text[pos] == u'+') {
        negative = text[pos] == u'-';
        ++pos;
    }
    // The magnitude in ten-thousandths, unsigned so that the most negative
    // amount, one more than the largest positive one, is read too.
    const quint64 limit = quint64(std::numeric_limits<qint64>::max()) + (negative ? 1 : 0);
    quint64 magnitude = 0;
    int wholeDigits = 0;
    for (; pos < text.size() && text[pos].isDigit(); ++pos, ++wholeDigits) {
        if (__builtin_mul_overflow(magnitude, quint64(10), &magnitude) ||
            __builtin_add_overflow(magnitude, quint64(text[pos].digitValue()), &magnitude))
            return false;
    }
    if (__builtin_mul_overflow(magnitude, quint64(Scale), &magnitude))
        return false;
    quint64 fraction = 0;
    int fractionDigits = 0;
    int firstDropped = -1;    // the fifth decimal, which decides the rounding
    bool restDropped = false; // any non-zero decimal after it
    if (pos < text.size() && (text[pos] == u'.' || text[pos] == localeSeparator)) {
        ++pos;
        for (; pos < text.size() && text[pos].isDigit(); ++pos, ++fractionDigits) {
            const int digit = text[pos].digitValue();
            if (fractionDigits < 4)
                fraction = fraction * 10 + quint64(digit);
            else if (fractionDigits == 4)
                firstDropped = digit;
            else if (digit != 0)
                restDropped = true;
        }
    }
    if (pos != text.size() || wholeDigits + fractionDigits == 0)
        return false;
    for (int i = fractionDigits; i < 4; ++i)
        fraction *= 10;
    if (firstDropped > 5 || (firstDropped == 5 && (restDropped || fraction % 2 == 1)))
        ++fraction; // may carry into the whole part: 0.99995 is 1
    if (__builtin_add_overflow(magnitude, fraction, &magnitude) || magnitude > limit)
        return false;
    *out = Currency(negative ? qint64(quint64(0) - magnitude) : qint64(magnitude));
    return true;
}

QString Currency::toString(const QLocale& locale) const {
    const bool negative = m_units < 0;
    // Magnitude as unsigned so that the most negative value formats too.
    const quint64 magnitude = negative ? quint64(0) - quint64(m_units) : quint64(m_units);
    QString text = QString::number(magnitude / Scale);
    quint64 fraction = magnitude % Scale;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(4, u'0');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += locale.decimalPoint() + digits;
    }
    return negative ? u'-' + text : text;
}

QString Currency::toString() const {
    return toString(QLocale());
}

bool Currency::multiply(Currency price, qint64 count, Currency* out) {
    qint64 result = 0;
    if (__builtin_mul_overflow(price.m_units, count, &result))
        return false;
    *out = Currency(result);
    return true;
}
