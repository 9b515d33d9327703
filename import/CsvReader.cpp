#include "import/CsvReader.h"

#include "import/ColumnMatch.h"
#include "lists/PickListText.h"

#include <QHash>

#include <algorithm>

namespace CsvReader {

namespace {

constexpr int LinesLookedAt = 50;

bool parse(QStringView text, QChar delimiter, Sheet* out, QString* reason);

// How many register columns the best of the first lines names when split
// at delimiter.
int namedColumns(QStringView firstLines, QChar delimiter) {
    Sheet sheet;
    QString ignored;
    parse(firstLines, delimiter, &sheet, &ignored);
    int best = 0;
    for (const SheetRow& row : sheet.rows) {
        const QVector<int> columns = ColumnMatch::mapHeader(row);
        best = std::max(best, int(columns.size() - columns.count(-1)));
    }
    return best;
}

// How often each candidate splits the first lines, outside quotes.
QVector<int> countsOnLine(const QString& text, qsizetype* pos, const QString& candidates) {
    QVector<int> counts(candidates.size(), 0);
    bool quoted = false;
    for (; *pos < text.size(); ++*pos) {
        const QChar c = text[*pos];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'\n') {
            ++*pos;
            break;
        } else if (!quoted) {
            const qsizetype which = candidates.indexOf(c);
            if (which >= 0)
                ++counts[which];
        }
    }
    return counts;
}

} // namespace

QChar detectDelimiter(const QString& text) {
    const QString candidates = QStringLiteral("\t;,|");
    QVector<QVector<int>> lines;
    qsizetype pos = 0;
    while (pos < text.size() && lines.size() < LinesLookedAt)
        lines << countsOnLine(text, &pos, candidates);
    // The delimiter that splits a header out of the first lines: decimal
    // commas and a title block make counting delimiters unreliable.
    const QStringView firstLines = QStringView(text).left(pos);
    int best = -1;
    int bestScore = 1;
    for (int c = 0; c < candidates.size(); ++c) {
        const int named = namedColumns(firstLines, candidates[c]);
        if (named > bestScore) {
            best = c;
            bestScore = named;
        }
    }
    if (best >= 0)
        return candidates[best];
    // No header: the delimiter that splits most lines into the same number
    // of cells.
    bestScore = 0;
    for (int c = 0; c < candidates.size(); ++c) {
        QHash<int, int> linesWithCount;
        for (const QVector<int>& counts : lines)
            if (counts[c] > 0)
                ++linesWithCount[counts[c]];
        int score = 0;
        for (int count : std::as_const(linesWithCount))
            score = std::max(score, count);
        if (score > bestScore) {
            best = c;
            bestScore = score;
        }
    }
    return best < 0 ? QChar(u',') : candidates[best];
}

bool read(const QByteArray& bytes, QChar forcedDelimiter, Sheet* out, QString* reason) {
    const PickListText::Decoded decoded = PickListText::decode(bytes);
    if (!decoded.problem.isEmpty()) {
        *reason = decoded.problem;
        return false;
    }
    const QChar delimiter = forcedDelimiter.isNull() ? detectDelimiter(decoded.text) : forcedDelimiter;
    return parse(decoded.text, delimiter, out, reason);
}

namespace {

bool parse(QStringView text, QChar delimiter, Sheet* out, QString* reason) {
    SheetBudget budget;
    SheetRow row;
    QString field;
    bool quoted = false;    // inside quotes
    bool wasQuoted = false; // the field began with a quote
    const auto endField = [&]() {
        if (!budget.place(out->rows.size(), row.size(), reason))
            return false;
        if (!field.isEmpty() && !budget.addCell(reason))
            return false;
        row << SheetCell::fromText(field);
        field.clear();
        wasQuoted = false;
        return true;
    };
    const auto endRow = [&]() {
        if (!endField())
            return false;
        while (!row.isEmpty() && row.back().kind == SheetCell::Kind::Empty)
            row.removeLast();
        out->rows << row;
        row.clear();
        return true;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"')
                field += c;
            else if (i + 1 < text.size() && text[i + 1] == u'"')
                field += text[++i];
            else
                quoted = false;
        } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == delimiter) {
            if (!endField())
                return false;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            if (!endRow())
                return false;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty())
        return endRow();
    return true;
}

} // namespace

} // namespace CsvReader
