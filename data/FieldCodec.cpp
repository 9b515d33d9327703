#include "data/FieldCodec.h"

#include "data/Currency.h"
#include "data/Engine.h"
#include "data/NumberText.h"

#include <QDate>
#include <QLocale>
#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace FieldCodec {

static QString columnText(const EngineRow& row, int i) {
    // The engines hand out UTF-8; Qt's decoder is quicker than their own
    // conversions to UTF-16.
    const std::string_view bytes = row.text(i);
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

QVariant read(const EngineRow& row, int i, ColumnType type) {
    if (row.isNull(i))
        return {};
    switch (type) {
    case ColumnType::AutoIncrement:
    case ColumnType::Integer:
        return int(row.integer(i));
    case ColumnType::Currency:
        return QVariant::fromValue(Currency::fromUnits(row.integer(i)));
    case ColumnType::Date:
        return QDate::fromString(columnText(row, i).left(10), Qt::ISODate);
    case ColumnType::Text:
    case ColumnType::Memo:
        return columnText(row, i);
    }
    return {};
}

bool bind(sqlite3_stmt* stmt, int parameter, const QVariant& value) {
    int rc = SQLITE_OK;
    if (!value.isValid()) {
        rc = sqlite3_bind_null(stmt, parameter);
    } else if (value.metaType() == QMetaType::fromType<Currency>()) {
        rc = sqlite3_bind_int64(stmt, parameter, value.value<Currency>().units());
    } else if (value.metaType() == QMetaType::fromType<QDate>()) {
        const QByteArray iso = value.toDate().toString(Qt::ISODate).toUtf8();
        rc = sqlite3_bind_text(stmt, parameter, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
    } else if (value.metaType() == QMetaType::fromType<int>()) {
        rc = sqlite3_bind_int(stmt, parameter, value.toInt());
    } else {
        const QString text = value.toString();
        rc = sqlite3_bind_text16(stmt, parameter, text.utf16(), int(text.size() * sizeof(QChar)),
                                 SQLITE_TRANSIENT);
    }
    return rc == SQLITE_OK;
}

static bool isWholeNumber(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

static bool integerFromInput(const QVariant& input, QVariant* out) {
    bool ok = false;
    qint64 n = 0;
    if (input.metaType().id() == QMetaType::QString) {
        QString plain;
        if (NumberText::withoutGrouping(input.toString(), &plain))
            n = plain.toLongLong(&ok, 10);
    } else if (isWholeNumber(input)) {
        n = input.toLongLong(&ok);
        if (input.metaType().id() == QMetaType::ULongLong && input.toULongLong() > quint64(LLONG_MAX))
            ok = false;
    } else if (input.metaType().id() == QMetaType::Double) {
        const double d = input.toDouble();
        ok = std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 4e9;
        n = ok ? qint64(d) : 0;
    }
    if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<qint32>::max())
        return false;
    *out = int(n);
    return true;
}

static bool currencyFromInput(const QVariant& input, QVariant* out) {
    Currency value;
    if (input.metaType() == QMetaType::fromType<Currency>()) {
        value = input.value<Currency>();
    } else if (input.metaType().id() == QMetaType::QString) {
        QString plain;
        if (!NumberText::withoutGrouping(input.toString(), &plain) || !Currency::parse(plain, &value))
            return false;
    } else if (isWholeNumber(input)) {
        bool ok = false;
        const qint64 whole = input.toLongLong(&ok);
        if (!ok || !Currency::multiply(Currency::fromUnits(Currency::Scale), whole, &value))
            return false;
    } else if (input.metaType().id() == QMetaType::Double) {
        // A binary fraction is taken to the nearest ten-thousandth, as the
        // currency type of the old engine did.
        const double scaled = std::round(input.toDouble() * Currency::Scale);
        if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
            return false;
        value = Currency::fromUnits(qint64(scaled));
    } else {
        return false;
    }
    *out = QVariant::fromValue(value);
    return true;
}

static bool dateFromInput(const QVariant& input, QVariant* out) {
    QDate date;
    if (input.metaType().id() == QMetaType::QDate || input.metaType().id() == QMetaType::QDateTime) {
        date = input.toDate();
    } else if (input.metaType().id() == QMetaType::QString) {
        const QString text = input.toString().trimmed();
        date = QDate::fromString(text, Qt::ISODate);
        if (!date.isValid())
            date = QLocale().toDate(text, QLocale::ShortFormat);
    }
    if (!date.isValid())
        return false;
    *out = date;
    return true;
}

bool fromInput(const QVariant& input, int column, QVariant* out, QString* error) {
    const ColumnDef& def = OrderColumns::at(column);
    const bool emptyText =
        input.metaType().id() == QMetaType::QString && input.toString().trimmed().isEmpty();
    if (def.type == ColumnType::AutoIncrement) {
        *error = QStringLiteral("Field '%1' cannot be modified").arg(OrderColumns::name(column));
        return false;
    }
    if (!input.isValid() || (emptyText && def.type != ColumnType::Text && def.type != ColumnType::Memo)) {
        *out = QVariant();
        return true;
    }
    const QString shown = input.toString();
    switch (def.type) {
    case ColumnType::AutoIncrement:
        return false;
    case ColumnType::Integer:
        if (integerFromInput(input, out))
            return true;
        *error = QStringLiteral("'%1' is not a valid integer value").arg(shown);
        // A fraction is a number, just not a count: say so.
        if (QVariant asAmount;
            currencyFromInput(input, &asAmount) && asAmount.value<Currency>().units() % Currency::Scale != 0)
            *error = QStringLiteral("'%1' is not a whole number; counts are whole numbers").arg(shown);
        return false;
    case ColumnType::Currency:
        if (currencyFromInput(input, out))
            return true;
        *error = QStringLiteral("'%1' is not a valid currency value").arg(shown);
        return false;
    case ColumnType::Date:
        if (dateFromInput(input, out))
            return true;
        *error = QStringLiteral("'%1' is not a valid date").arg(shown);
        return false;
    case ColumnType::Text: {
        QString cut = shown.left(def.width);
        // Never keep half of a character that takes two UTF-16 units.
        if (cut.size() < shown.size() && !cut.isEmpty() && cut.back().isHighSurrogate())
            cut.chop(1);
        *out = cut;
        return true;
    }
    case ColumnType::Memo:
        *out = shown;
        return true;
    }
    return false;
}

QString text(const QVariant& value) {
    if (!value.isValid())
        return {};
    if (value.metaType() == QMetaType::fromType<Currency>())
        return value.value<Currency>().toString(QLocale());
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate().toString(Qt::ISODate);
    return value.toString();
}

QString displayText(const QVariant& value, int column) {
    QString shown = text(value);
    if (OrderColumns::at(column).type != ColumnType::Memo)
        return shown;
    // Blanks and control characters are the characters up to the space.
    int begin = 0;
    int end = shown.size();
    while (begin < end && shown.at(begin).unicode() <= u' ')
        ++begin;
    while (end > begin && shown.at(end - 1).unicode() <= u' ')
        --end;
    return shown.mid(begin, end - begin);
}

qint32 toInteger(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<Currency>()) {
        const qint64 units = value.value<Currency>().units();
        const qint64 half = units < 0 ? -Currency::Scale / 2 : Currency::Scale / 2;
        return qint32((units + half) / Currency::Scale);
    }
    if (value.metaType().id() == QMetaType::QString)
        return value.toString().trimmed().toInt();
    if (value.metaType().id() == QMetaType::QDate)
        return 0;
    return value.toInt();
}

Currency toCurrency(const QVariant& value) {
    QVariant converted;
    if (value.isValid() && currencyFromInput(value, &converted))
        return converted.value<Currency>();
    return {};
}

double toFloat(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<Currency>())
        return value.value<Currency>().toDouble();
    if (value.metaType().id() == QMetaType::QString)
        return QLocale().toDouble(value.toString().trimmed());
    if (value.metaType().id() == QMetaType::QDate)
        return 0;
    return value.toDouble();
}

QDate toDate(const QVariant& value) {
    QVariant converted;
    if (value.isValid() && dateFromInput(value, &converted))
        return converted.toDate();
    return {};
}

} // namespace FieldCodec
