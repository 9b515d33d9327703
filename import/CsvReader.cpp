#include "import/CsvReader.h"

#include "lists/PickListText.h"

#include <QHash>

#include <algorithm>

namespace CsvReader {

namespace {

constexpr int LinesLookedAt = 20;

// How often each candidate splits the first lines, outside quotes.
QVector<int> countsOnLine(const QString& text, qsizetype* pos, const QString& candidates)
{
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

QChar detectDelimiter(const QString& text)
{
    const QString candidates = QStringLiteral("\t;,|");
    QVector<QVector<int>> lines;
    qsizetype pos = 0;
    while (pos < text.size() && lines.size() < LinesLookedAt)
        lines << countsOnLine(text, &pos, candidates);
    // The delimiter splits most lines into the same number of cells; a
    // title block above the header may have a comma or none at all.
    int best = -1;
    int bestScore = 0;
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

bool read(const QByteArray& bytes, QChar forcedDelimiter, Sheet* out, QString* reason)
{
    const PickListText::Decoded decoded = PickListText::decode(bytes);
    if (!decoded.problem.isEmpty()) {
        *reason = decoded.problem;
        return false;
    }
    const QString& text = decoded.text;
    const QChar delimiter = forcedDelimiter.isNull() ? detectDelimiter(text) : forcedDelimiter;
    SheetBudget budget;
    SheetRow row;
    QString field;
    bool quoted = false;   // inside quotes
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

} // namespace CsvReader
