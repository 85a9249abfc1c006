#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace nodeloom {

// How a grid stores one possibly empty cell: a shared object is empty when null, any other item
// type is wrapped in std::optional.
template <typename T>
struct GridCell {
    using type = std::optional<T>;
};
template <typename U>
struct GridCell<std::shared_ptr<U>> {
    using type = std::shared_ptr<U>;
};

// A two-dimensional container of possibly empty cells addressed by column and row; the cell at
// (column c, row r) is data[c][r]. Items are held as given, so a copied grid shares item objects
// with its original. The item counter counts additions since creation or the last resize and is
// not lowered by removals. Indexes outside the grid are ignored: reads give an empty cell, and
// changes that cannot be placed change nothing.
template <typename T>
class Grid {
public:
    using Cell = typename GridCell<T>::type;
    using Column = std::vector<Cell>;

    Grid() = default;
    Grid(int columns, int rows) { resize(columns, rows); }
    Grid(const Grid& original) = default;
    Grid& operator=(const Grid& original) = default;
    virtual ~Grid() = default;

    // Drops every item and leaves columns × rows empty cells.
    virtual void resize(int columns, int rows) {
        columns_ = columns < 0 ? 0 : columns;
        rows_ = rows < 0 ? 0 : rows;
        data_.assign(static_cast<size_t>(columns_), Column(static_cast<size_t>(rows_)));
        items_ = 0;
    }

    virtual void deleteColumn(int column) {
        if (!hasColumn(column)) return;
        data_.erase(data_.begin() + column);
        --columns_;
    }

    // The new column has no cells yet; addItem fills it.
    virtual void insertColumns(int column) {
        if (column < 0 || static_cast<size_t>(column) > data_.size()) return;
        data_.insert(data_.begin() + column, Column());
        ++columns_;
    }

    virtual void deleteRow(int row) {
        if (row < 0 || row >= rows_) return;
        for (Column& c : data_)
            if (static_cast<size_t>(row) < c.size()) c.erase(c.begin() + row);
        --rows_;
    }

    virtual void insertRow(int row) {
        if (row < 0 || row > rows_) return;
        for (Column& c : data_) {
            if (static_cast<size_t>(row) > c.size()) c.resize(static_cast<size_t>(row));
            c.insert(c.begin() + row, Cell());
        }
        ++rows_;
    }

    // Inserts the item at (column, row), moving the cells below down; a column one past the last
    // is created first. A row past the end of a short column is reached by padding it with empty
    // cells, so that the item is never lost.
    virtual void addItem(int column, int row, T item) {
        if (column < 0 || static_cast<size_t>(column) > data_.size() || row < 0) return;
        if (static_cast<size_t>(column) == data_.size()) insertColumns(column);
        Column& c = data_[static_cast<size_t>(column)];
        if (static_cast<size_t>(row) > c.size()) c.resize(static_cast<size_t>(row));
        c.insert(c.begin() + row, Cell(std::move(item)));
        ++items_;
    }

    // An empty cell value clears the cell; the item counter is unchanged.
    virtual void setItem(int column, int row, Cell item) {
        if (!hasCell(column, row)) return;
        data_[static_cast<size_t>(column)][static_cast<size_t>(row)] = std::move(item);
    }

    virtual Cell getItem(int column, int row) const {
        if (!hasCell(column, row)) return Cell();
        return data_[static_cast<size_t>(column)][static_cast<size_t>(row)];
    }

    void setData(std::vector<Column> data) { data_ = std::move(data); }

    // Plain counters: setting them changes no cell.
    int columns() const { return columns_; }
    void setColumns(int columns) { columns_ = columns; }
    int rows() const { return rows_; }
    void setRows(int rows) { rows_ = rows; }
    int items() const { return items_; }
    void setItems(int items) { items_ = items; }
    int count() const { return items_; }
    void setCount(int count) { items_ = count; }

private:
    bool hasColumn(int column) const {
        return column >= 0 && static_cast<size_t>(column) < data_.size();
    }
    bool hasCell(int column, int row) const {
        return hasColumn(column) && row >= 0 &&
               static_cast<size_t>(row) < data_[static_cast<size_t>(column)].size();
    }

    std::vector<Column> data_;
    int columns_ = 0;
    int rows_ = 0;
    int items_ = 0;
};

}  // namespace nodeloom
