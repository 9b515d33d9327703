#include "import/SheetLines.h"

#include "data/FieldCodec.h"
#include "data/OrderColumns.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

using namespace OrderColumns;

namespace {

bool numberAsText(double number, QString* text) {
    if (!std::isfinite(number))
        return false;
    *text = SheetCell::fromNumber(number).shown();
    return true;
}

bool parseDateText(const QString& input, QDate* out) {
    const QString text = input.trimmed();
    // ISO, maybe with a time of day after it.
    if (text.size() >= 10 && text[4] == u'-') {
        *out = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
        if (out->isValid() && (text.size() == 10 || text[10] == u'T' || text[10] == u' '))
            return true;
    }
    const QString plain = text.section(u' ', 0, 0); // a time of day after it is dropped
    const QLocale locale;
    QStringList formats{locale.dateFormat(QLocale::ShortFormat), QStringLiteral("d.M.yyyy"),
                        QStringLiteral("d/M/yyyy"), QStringLiteral("d-M-yyyy")};
    if (!formats[0].contains(QStringLiteral("yyyy")))
        formats << QString(formats[0]).replace(QStringLiteral("yy"), QStringLiteral("yyyy"));
    for (const QString& format : formats) {
        // A short format with a two-digit year reads 01.02.24 as 1924; a
        // shop's lines are of this century.
        QDate date = locale.toDate(plain, format);
        if (date.isValid() && date.year() < 1950 && !format.contains(QStringLiteral("yyyy")))
            date = date.addYears(100);
        if (date.isValid()) {
            *out = date;
            return true;
        }
    }
    return false;
}

bool parseCurrencyNumber(double number, Currency* out) {
    if (!std::isfinite(number) || std::fabs(number) >= 9.0e14)
        return false;
    // Rounded to four decimals once, from the shortest text that gives the
    // same binary number back: 0.1 is "0.1", not 0.1000000000000000055.
    const QString text = QString::number(number, 'g', QLocale::FloatingPointShortest);
    if (!text.contains(u'e') && Currency::parse(text, out))
        return true;
    *out = Currency::fromUnits(std::llround(number * Currency::Scale));
    return true;
}

Currency derivedMoney(const SheetLine& line) {
    Currency money;
    Currency::multiply(FieldCodec::toCurrency(line.values[Pokupnacena]),
                       FieldCodec::toInteger(line.values[Polucbr]), &money);
    return money;
}

QString columnTitle(int column) {
    return QString::fromUtf8(at(column).title);
}

} // namespace

QDate SheetLines::fromDayNumber(double day, bool date1904) {
    if (!std::isfinite(day) || day < 0 || day > 2958466)
        return {};
    const qint64 whole = qint64(std::floor(day));
    if (date1904)
        return QDate(1904, 1, 1).addDays(whole);
    // The 1900 system counts a 29 February 1900 that never was: day 60.
    if (whole == 60 || whole == 0)
        return {};
    return whole < 60 ? QDate(1899, 12, 31).addDays(whole) : QDate(1899, 12, 30).addDays(whole);
}

bool SheetLines::parseCell(const SheetCell& cell, int column, bool date1904, QVariant* out, QString* reason) {
    const ColumnDef& def = at(column);
    const bool number = cell.kind == SheetCell::Kind::Number;
    QString text = cell.text;
    if (number && def.type != ColumnType::Date && def.type != ColumnType::Currency &&
        !numberAsText(cell.number, &text)) {
        *reason = QStringLiteral("%1 is not a number").arg(columnTitle(column));
        return false;
    }
    if (def.type != ColumnType::Memo)
        text = text.trimmed();
    switch (def.type) {
    case ColumnType::Text:
        if (text.size() > def.width) {
            *reason = QStringLiteral("%1 \"%2\" is longer than %3 characters")
                          .arg(columnTitle(column), text)
                          .arg(def.width);
            return false;
        }
        *out = text;
        return true;
    case ColumnType::Memo:
        *out = text;
        return true;
    case ColumnType::Currency:
        if (number) {
            Currency value;
            if (!parseCurrencyNumber(cell.number, &value)) {
                *reason = QStringLiteral("%1 is out of range").arg(columnTitle(column));
                return false;
            }
            *out = QVariant::fromValue(value);
            return true;
        }
        [[fallthrough]];
    case ColumnType::Integer: {
        // Text as the record form reads it, in the user's locale or with ".".
        QString error;
        if (text.isEmpty()) {
            *out = QVariant();
            return true;
        }
        if (FieldCodec::fromInput(text, column, out, &error))
            return true;
        // A sheet written where a comma is the decimal separator ("12,5",
        // "1 234,5"), read in a locale where it is not.
        QString decimalComma;
        for (QChar c : text)
            if (!c.isSpace())
                decimalComma += c;
        if (decimalComma.count(u',') == 1 && !decimalComma.contains(u'.') &&
            FieldCodec::fromInput(decimalComma.replace(u',', u'.'), column, out, &error))
            return true;
        *reason = QStringLiteral("%1: %2").arg(columnTitle(column), error);
        return false;
    }
    case ColumnType::Date: {
        QDate date;
        if (number ? (date = fromDayNumber(cell.number, date1904)).isValid() : parseDateText(text, &date)) {
            *out = date;
            return true;
        }
        if (!number && text.isEmpty()) {
            *out = QVariant();
            return true;
        }
        *reason = QStringLiteral("date \"%1\" is not a date").arg(cell.shown());
        return false;
    }
    case ColumnType::AutoIncrement:
        break;
    }
    *out = QVariant();
    return true;
}

SheetLines SheetLines::read(const Sheet& sheet, const SheetLineSettings& settings) {
    SheetLines result;
    for (qsizetype r = settings.headerRow + 1; r < sheet.rows.size(); ++r) {
        const SheetRow& row = sheet.rows[r];
        if (std::all_of(row.begin(), row.end(), [](const SheetCell& cell) { return cell.isEmpty(); }))
            continue;
        SheetLine line;
        line.sheetRow = int(r + 1);
        line.values.resize(Count);
        QString reason;
        bool moneyGiven = false;
        for (qsizetype c = 0; c < row.size() && c < settings.columnOf.size() && reason.isEmpty(); ++c) {
            const int column = settings.columnOf[c];
            // The key and the photo number are the register's to give.
            if (column <= Key || column == Photo || row[c].isEmpty())
                continue;
            QVariant value;
            if (!parseCell(row[c], column, settings.date1904, &value, &reason))
                break;
            if (column == Obsto) {
                moneyGiven = value.isValid();
                line.sheetMoney = FieldCodec::toCurrency(value);
            } else {
                line.values[column] = value;
            }
        }
        QVector<QVariant>& v = line.values;
        if (reason.isEmpty() && v[Batch].toString().isEmpty())
            v[Batch] = settings.batch;
        if (!reason.isEmpty()) {
        } else if (v[Dostavcik].toString().isEmpty()) {
            reason = QStringLiteral("supplier is empty");
        } else if (v[Artikul].toString().isEmpty()) {
            reason = QStringLiteral("article is empty");
        } else if (FieldCodec::toCurrency(v[Pokupnacena]).isZero()) {
            reason = QStringLiteral("purchasing price is empty or 0");
        } else if (FieldCodec::toInteger(v[Paracbr]) == 0) {
            reason = QStringLiteral("ordered count is empty or 0");
        }
        if (reason.isEmpty()) {
            // Received and money as the record form derives them.
            const qint64 delivered = FieldCodec::toInteger(v[Dostavbr]);
            const qint64 received = delivered != 0 ? delivered - FieldCodec::toInteger(v[Defectbr])
                                                   : FieldCodec::toInteger(v[Paracbr]);
            Currency money;
            if (received < std::numeric_limits<qint32>::min() ||
                received > std::numeric_limits<qint32>::max() ||
                !Currency::multiply(FieldCodec::toCurrency(v[Pokupnacena]), received, &money))
                reason = QStringLiteral("received count or money is out of range");
            v[Polucbr] = int(received);
            v[Obsto] = QVariant::fromValue(money);
        }
        if (!reason.isEmpty()) {
            result.refused << RefusedRow{line.sheetRow, reason};
            continue;
        }
        // Every column filled as a typed line's is: 0 or empty text.
        for (int column = Key + 1; column < Count; ++column) {
            if (v[column].isValid() || column == Photo)
                continue;
            const ColumnType type = at(column).type;
            if (type == ColumnType::Date)
                v[column] = settings.today;
            else if (type == ColumnType::Currency)
                v[column] = QVariant::fromValue(Currency());
            else if (type == ColumnType::Integer)
                v[column] = 0;
            else
                v[column] = QString();
        }
        line.moneyGiven = moneyGiven;
        if (moneyGiven && std::llabs(line.sheetMoney.units() - v[Obsto].value<Currency>().units()) > 1)
            result.moneyDiffers << int(result.lines.size());
        result.lines << line;
    }
    return result;
}

void SheetLines::keepSheetMoney(bool sheets) {
    for (int index : moneyDiffers) {
        SheetLine& line = lines[index];
        line.values[Obsto] = QVariant::fromValue(sheets ? line.sheetMoney : derivedMoney(line));
    }
}

LineSums SheetLines::sums() const {
    LineSums sums;
    qint64 money = 0;
    for (const SheetLine& line : lines) {
        ++sums.lines;
        sums.pieces += FieldCodec::toInteger(line.values[Polucbr]);
        money += FieldCodec::toCurrency(line.values[Obsto]).units();
    }
    sums.money = Currency::fromUnits(money);
    return sums;
}

QString SheetLines::refusedText() const {
    QStringList text;
    for (const RefusedRow& row : refused)
        text << QStringLiteral("Row %1: %2").arg(row.sheetRow).arg(row.reason);
    return text.join(u'\n');
}

QString SheetLines::differingText() const {
    QStringList text;
    for (int index : moneyDiffers) {
        const SheetLine& line = lines[index];
        text << QStringLiteral("Row %1: money %2 in the sheet, %3 = price x received")
                    .arg(line.sheetRow)
                    .arg(line.sheetMoney.toString(), derivedMoney(line).toString());
    }
    return text.join(u'\n');
}
