#include "data/NumberText.h"

#include <QByteArray>
#include <cmath>

namespace NumberText {

QString integerText(qint64 value) {
    return QString::number(value);
}

// The significant digits (without trailing zeros) and the decimal exponent of
// the value rounded to 15 significant digits: 12.75 gives "1275" and 1.
static void roundedDigits(double magnitude, QString* digits, int* exponent) {
    const QByteArray scientific = QByteArray::number(magnitude, 'e', 14); // d.dddddddddddddde±xx
    const int e = scientific.indexOf('e');
    QByteArray mantissa = scientific.left(e);
    mantissa.remove(1, 1); // the '.'
    while (mantissa.size() > 1 && mantissa.endsWith('0'))
        mantissa.chop(1);
    *digits = QString::fromLatin1(mantissa);
    *exponent = scientific.mid(e + 1).toInt();
}

QString generalText(double value, const QLocale& locale) {
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");

    QString digits;
    int exponent = 0;
    roundedDigits(std::fabs(value), &digits, &exponent);
    const QString separator = locale.decimalPoint();

    QString text;
    if (exponent >= 15 || exponent < -5) {
        text = digits.left(1);
        if (digits.size() > 1)
            text += separator + digits.mid(1);
        text += u'E' + QString::number(exponent);
    } else if (exponent >= 0) {
        const QString whole = digits.left(exponent + 1).leftJustified(exponent + 1, u'0');
        const QString fraction = digits.mid(exponent + 1);
        text = fraction.isEmpty() ? whole : whole + separator + fraction;
    } else {
        text = u'0' + separator + QString(-exponent - 1, u'0') + digits;
    }
    return value < 0 ? u'-' + text : text;
}

bool readInteger(const QString& input, qint64* out) {
    const QString text = input.trimmed();
    if (text.isEmpty()) {
        *out = 0;
        return true;
    }
    bool ok = false;
    qint64 value = QLocale().toLongLong(text, &ok);
    if (!ok)
        value = QLocale::c().toLongLong(text, &ok);
    if (ok)
        *out = value;
    return ok;
}

bool readNumber(const QString& input, double* out) {
    const QString text = input.trimmed();
    if (text.isEmpty()) {
        *out = 0;
        return true;
    }
    bool ok = false;
    double value = QLocale().toDouble(text, &ok);
    if (!ok)
        value = QLocale::c().toDouble(text, &ok);
    if (ok)
        *out = value;
    return ok;
}

bool withoutGrouping(const QString& input, QString* out, const QLocale& locale) {
    const QString group = locale.groupSeparator();
    const bool spaceGroups = group.size() == 1 && group.at(0).isSpace();
    const auto isGroup = [&](QChar c) { return QString(c) == group || (spaceGroups && c == u' '); };
    const QString text = input.trimmed();
    const QString decimal = locale.decimalPoint();
    // Only the whole part is grouped; it ends at the decimal separator.
    qsizetype end = text.indexOf(decimal);
    if (end < 0 || decimal == group)
        end = text.size();
    qsizetype start = 0;
    if (start < end && (text[start] == u'-' || text[start] == u'+'))
        ++start;
    QString digits;
    int sinceGroup = 0;
    bool grouped = false;
    for (qsizetype i = start; i < end; ++i) {
        if (isGroup(text[i])) {
            // A group mark follows one to three digits first, then exactly three.
            if (sinceGroup == 0 || sinceGroup > 3 || (grouped && sinceGroup != 3))
                return false;
            grouped = true;
            sinceGroup = 0;
            continue;
        }
        digits += text[i];
        ++sinceGroup;
    }
    if (grouped && sinceGroup != 3)
        return false;
    *out = grouped ? text.left(start) + digits + text.mid(end) : text;
    return true;
}

} // namespace NumberText
