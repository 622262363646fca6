#include "GridModel.h"

#include <algorithm>
#include <cmath>

#include "Numbers.h"

QString normaliseCell(GridColumnType type, int min, int max, QStringView text) {
    switch (type) {
        case GridColumnType::Integer: {
            qint64 v = num::readInt(text);
            if (min != max) v = std::clamp<qint64>(v, std::min(min, max), std::max(min, max));
            return num::writeInt(v);
        }
        case GridColumnType::Decimal: {
            float v = num::readDecimal(text);
            // A NaN stays NaN: it lies in no range.
            if (min != max && !std::isnan(v))
                v = std::clamp(v, float(std::min(min, max)), float(std::max(min, max)));
            return num::writeFixed(double(v), 2);
        }
        case GridColumnType::Text:
        case GridColumnType::List:
            break;
    }
    return text.toString();
}

void GridModel::reset(int lastColumn, int lastRow, int width) {
    m_lastColumn = std::clamp(lastColumn, 1, kMaxColumn);
    m_lastRow = std::clamp(lastRow, 0, kMaxRow);
    for (int c = 0; c <= kMaxColumn; ++c) {
        GridColumn& col = m_columns[std::size_t(c)];
        col = GridColumn{};
        col.title = QStringLiteral("Col ") + QString::number(c);
        col.width = width / m_lastColumn;
    }
    clearMarks();
}

bool GridModel::setItem(int column, int item, const QString& text) {
    if (!validColumn(column) || item < 0 || item > kMaxItem) return false;
    std::vector<QString>& items = m_columns[std::size_t(column)].items;
    if (std::size_t(item) >= items.size()) items.resize(std::size_t(item) + 1);
    items[std::size_t(item)] = text;
    return true;
}

std::vector<QString> GridModel::items(int column) const {
    std::vector<QString> out;
    if (!validColumn(column)) return out;
    for (const QString& item : m_columns[std::size_t(column)].items) {
        if (item.isEmpty()) break;
        out.push_back(item);
    }
    return out;
}

QString GridModel::shownText(int row, int column) const {
    const QString text = cell(row, column);
    if (!validColumn(column) || m_columns[std::size_t(column)].type != GridColumnType::List)
        return text;
    const qint64 index = num::readInt(text);
    if (index < 0) return QStringLiteral("??");
    const std::vector<QString>& items = m_columns[std::size_t(column)].items;
    return index < qint64(items.size()) ? items[std::size_t(index)] : QString();
}

bool GridModel::inTable(int row, int column) const {
    return row >= 0 && row <= std::min(m_lastRow + 1, kMaxRow) && validColumn(column);
}

bool GridModel::setCell(int row, int column, QStringView text) {
    if (!inTable(row, column)) return false;
    const GridColumn& c = m_columns[std::size_t(column)];
    QString stored = normaliseCell(c.type, c.min, c.max, text);
    const auto it = m_cells.find(key(row, column));
    if (it != m_cells.end()) {
        it->second.text = std::move(stored);
        if (it->second.text.isEmpty() && !it->second.mark) m_cells.erase(it);
    } else if (!stored.isEmpty()) {
        m_cells.emplace(key(row, column), Cell{std::move(stored), false});
    }
    return true;
}

QString GridModel::cell(int row, int column) const {
    if (row < 0 || row > kMaxRow || column < 0 || column > kMaxColumn) return {};
    const auto it = m_cells.find(key(row, column));
    return it == m_cells.end() ? QString() : it->second.text;
}

bool GridModel::marked(int row, int column) const {
    if (row < 0 || row > kMaxRow || column < 0 || column > kMaxColumn) return false;
    const auto it = m_cells.find(key(row, column));
    return it != m_cells.end() && it->second.mark;
}

void GridModel::setMark(int row, int column, bool mark) {
    if (row < 0 || row > kMaxRow || column < 0 || column > kMaxColumn) return;
    const auto it = m_cells.find(key(row, column));
    if (it != m_cells.end()) {
        it->second.mark = mark;
        if (!mark && it->second.text.isEmpty()) m_cells.erase(it);
    } else if (mark) {
        m_cells.emplace(key(row, column), Cell{QString(), true});
    }
}

void GridModel::clearMarks() {
    for (auto it = m_cells.begin(); it != m_cells.end();) {
        it->second.mark = false;
        it = it->second.text.isEmpty() ? m_cells.erase(it) : std::next(it);
    }
}

void GridModel::deleteRow(int row) {
    if (row < 0 || row > m_lastRow) return;
    for (int c = 1; c <= m_lastColumn; ++c) {
        for (int r = row; r < m_lastRow; ++r) {
            m_cells.erase(key(r, c));
            const auto below = m_cells.find(key(r + 1, c));
            if (below == m_cells.end()) continue;
            Cell moved = std::move(below->second);
            m_cells.erase(below);
            m_cells.emplace(key(r, c), std::move(moved));
        }
        m_cells.erase(key(m_lastRow, c));
    }
}
