#include "export/Workbook.h"

#include <algorithm>

namespace {
const Cell EmptyCell;
}

Workbook::Workbook() {
    m_formats.push_back(CellFormat());
}

const Cell& Workbook::cell(int row, int column) const {
    if (row < 0 || row >= rowCount() || column < 0 || size_t(column) >= m_rows[size_t(row)].size())
        return EmptyCell;
    return m_rows[size_t(row)][size_t(column)];
}

Cell& Workbook::touch(int row, int column) {
    if (size_t(row) >= m_rows.size())
        m_rows.resize(size_t(row) + 1);
    std::vector<Cell>& cells = m_rows[size_t(row)];
    if (size_t(column) >= cells.size()) {
        // Rows are mostly filled left to right: one allocation for the row.
        if (cells.empty())
            cells.reserve(size_t(std::max(column + 1, m_columns)));
        cells.resize(size_t(column) + 1);
    }
    if (column >= m_columns)
        m_columns = column + 1;
    return cells[size_t(column)];
}

void Workbook::setText(int row, int column, const QString& input) {
    // A cell holds at most MaxTextLength characters; the string table's
    // 16-bit count could not even say more. Cut as a spreadsheet cuts a
    // pasted text, never between the halves of a character.
    QString text = input.left(MaxTextLength);
    if (text.size() < input.size() && text.back().isHighSurrogate())
        text.chop(1);
    Cell& c = touch(row, column);
    c.kind = Cell::Text;
    // A text that shares its characters with one already held (readers hand
    // out one copy of a repeated value) is found without comparing them.
    // The held copy keeps those characters alive, so the address stays its own.
    if (const auto same = m_textByData.constFind(text.constData());
        same != m_textByData.constEnd() && m_texts[int(*same)].size() == text.size()) {
        c.text = *same;
        return;
    }
    auto it = m_textIndex.constFind(text);
    if (it == m_textIndex.constEnd()) {
        it = m_textIndex.insert(text, std::uint32_t(m_texts.size()));
        m_texts.append(text);
        if (!m_texts.last().isEmpty())
            m_textByData.insert(m_texts.last().constData(), *it);
    }
    c.text = *it;
}

void Workbook::setNumber(int row, int column, double value) {
    Cell& c = touch(row, column);
    c.kind = Cell::Number;
    c.number = value;
}

void Workbook::insertRows(int at, int count) {
    if (at < rowCount())
        m_rows.insert(m_rows.begin() + at, size_t(count), std::vector<Cell>());
    std::map<int, double> heights;
    for (const auto& [row, points] : m_heights)
        heights[row >= at ? row + count : row] = points;
    m_heights.swap(heights);
    if (m_comment.row >= at)
        m_comment.row += count;
}

std::uint16_t Workbook::internFormat(const CellFormat& format) {
    for (size_t i = 0; i < m_formats.size(); ++i)
        if (m_formats[i] == format)
            return std::uint16_t(i);
    m_formats.push_back(format);
    return std::uint16_t(m_formats.size() - 1);
}

void Workbook::formatRange(int firstRow, int firstColumn, int lastRow, int lastColumn,
                           const std::function<void(CellFormat&)>& change) {
    // The cells of a range share few formats: each old format is changed and
    // looked up once.
    std::vector<int> changed(m_formats.size(), -1);
    for (int r = firstRow; r <= lastRow; ++r) {
        for (int c = firstColumn; c <= lastColumn; ++c) {
            Cell& cell = touch(r, c);
            if (changed[cell.format] < 0) {
                CellFormat format = m_formats[cell.format];
                change(format);
                changed[cell.format] = internFormat(format);
            }
            cell.format = std::uint16_t(changed[cell.format]);
        }
    }
}
