#pragma once
// What a cell grid holds, apart from its widgets: typed columns with their item lists, the cell
// texts and the operator's marks. Cells and marks are kept only where they are set, so a grid of
// 1001 rows by 25 columns costs what its filled cells cost.

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

enum class GridColumnType : std::int8_t { Integer = 0, Decimal = 1, Text = 2, List = 4 };

struct GridColumn {
    GridColumnType type = GridColumnType::Integer;
    QString title;
    int width = 0;
    int left = 0;                ///< x of the column in the grid image, set by the layout
    int min = 0, max = 0;        ///< clamping range of numeric columns; equal values: no clamping
    bool locked = false;         ///< never edited in place
    std::vector<QString> items;  ///< List items by index; only as long as the highest set
};

/// The text a cell of the given type stores for `text`: Integer and Decimal are read by the
/// protocol's number rules, clamped when min != max, and written back (Decimal with two
/// decimals); Text and List are kept as they are.
QString normaliseCell(GridColumnType type, int min, int max, QStringView text);

class GridModel {
public:
    static constexpr int kMaxRow = 1000;   ///< the last row the cell table holds
    static constexpr int kMaxColumn = 24;  ///< the last column
    static constexpr int kMaxItem = 64;    ///< the last item index of a List column

    /// A grid of columns 0..lastColumn and rows 0..lastRow (both limited to the table). Columns
    /// get their default titles and widths, marks are cleared; cells stay as they were.
    void reset(int lastColumn, int lastRow, int width);

    int lastColumn() const { return m_lastColumn; }
    int lastRow() const { return m_lastRow; }
    GridColumn& column(int c) { return m_columns[std::size_t(validColumn(c) ? c : 0)]; }
    const GridColumn& column(int c) const { return m_columns[std::size_t(validColumn(c) ? c : 0)]; }
    bool validColumn(int c) const { return c >= 0 && c <= m_lastColumn; }

    /// Stores an item of a List column; false outside 0..lastColumn or 0..64.
    bool setItem(int column, int item, const QString& text);
    /// The column's items up to the first empty one.
    std::vector<QString> items(int column) const;
    /// What a cell shows: its text, or for a List column the item its index names ("??" for a
    /// negative index, "" past the items).
    QString shownText(int row, int column) const;

    /// Normalises and stores; false (nothing changed) outside rows 0..min(lastRow + 1, 1000) or
    /// columns 0..lastColumn.
    bool setCell(int row, int column, QStringView text);
    QString cell(int row, int column) const;
    bool marked(int row, int column) const;
    void setMark(int row, int column, bool mark);
    void clearMarks();
    /// Moves rows row+1..lastRow up by one in columns 1..lastColumn (texts and marks) and empties
    /// row lastRow there; column 0 stays.
    void deleteRow(int row);
    /// Cells held, for tests of the sparse store.
    std::size_t storedCells() const { return m_cells.size(); }

private:
    struct Cell {
        QString text;
        bool mark = false;
    };
    static int key(int row, int column) { return row * (kMaxColumn + 1) + column; }
    bool inTable(int row, int column) const;

    int m_lastColumn = 1;
    int m_lastRow = 0;
    std::array<GridColumn, kMaxColumn + 1> m_columns{};
    std::unordered_map<int, Cell> m_cells;
};
