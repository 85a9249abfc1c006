#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Nodeloom/foundation/Grid.h"

using nodeloom::Grid;

namespace {
struct Item {
    std::string name;
};
using ItemGrid = Grid<std::shared_ptr<Item>>;
}  // namespace

TEST(Grid, CellsAreSetAndMovedByRowInsertion) {
    ItemGrid grid(2, 3);
    EXPECT_EQ(grid.columns(), 2);
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.getItem(1, 2), nullptr);
    EXPECT_EQ(grid.count(), 0);

    auto x = std::make_shared<Item>(Item{"x"});
    grid.setItem(0, 1, x);
    EXPECT_EQ(grid.getItem(0, 1), x);
    EXPECT_EQ(grid.count(), 0);

    grid.insertRow(0);
    EXPECT_EQ(grid.rows(), 4);
    EXPECT_EQ(grid.getItem(0, 2), x);
    EXPECT_EQ(grid.getItem(0, 1), nullptr);

    grid.deleteRow(0);
    EXPECT_EQ(grid.rows(), 3);
    EXPECT_EQ(grid.getItem(0, 1), x);

    grid.setItem(0, 1, nullptr);
    EXPECT_EQ(grid.getItem(0, 1), nullptr);
}

TEST(Grid, AddingItemsGrowsColumnsAndCount) {
    ItemGrid grid(2, 2);
    auto y = std::make_shared<Item>(Item{"y"});
    grid.addItem(2, 0, y);
    EXPECT_EQ(grid.columns(), 3);
    EXPECT_EQ(grid.count(), 1);
    EXPECT_EQ(grid.getItem(2, 0), y);
    EXPECT_EQ(grid.getItem(2, 1), nullptr);

    auto a = std::make_shared<Item>(Item{"a"});
    auto z = std::make_shared<Item>(Item{"z"});
    grid.setItem(0, 0, a);
    grid.addItem(0, 0, z);
    EXPECT_EQ(grid.getItem(0, 0), z);
    EXPECT_EQ(grid.getItem(0, 1), a);
    EXPECT_EQ(grid.count(), 2);

    // Removing does not lower the counter; resizing drops everything.
    grid.deleteColumn(0);
    EXPECT_EQ(grid.columns(), 2);
    EXPECT_EQ(grid.getItem(1, 0), y);
    EXPECT_EQ(grid.count(), 2);
    grid.resize(1, 1);
    EXPECT_EQ(grid.columns(), 1);
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_EQ(grid.count(), 0);
    EXPECT_EQ(grid.getItem(0, 0), nullptr);
}

TEST(Grid, CopyHasOwnColumnsButSharesItems) {
    ItemGrid original(1, 2);
    auto x = std::make_shared<Item>(Item{"x"});
    original.addItem(0, 0, x);
    ItemGrid copy(original);
    EXPECT_EQ(copy.count(), 1);
    EXPECT_EQ(copy.rows(), 2);
    copy.setItem(0, 0, nullptr);
    EXPECT_EQ(original.getItem(0, 0), x);
    copy.setItem(0, 1, original.getItem(0, 0));
    copy.getItem(0, 1)->name = "changed";
    EXPECT_EQ(x->name, "changed");
}

TEST(Grid, ValueItemsAreOptional) {
    Grid<int> grid(1, 1);
    EXPECT_FALSE(grid.getItem(0, 0));
    grid.setItem(0, 0, 7);
    EXPECT_EQ(grid.getItem(0, 0), 7);
    grid.setItem(0, 0, std::nullopt);
    EXPECT_FALSE(grid.getItem(0, 0));
}

TEST(Grid, RowChangesWithoutColumnsOnlyCount) {
    Grid<int> grid;
    grid.setRows(2);
    grid.insertRow(1);
    EXPECT_EQ(grid.rows(), 3);
    grid.deleteRow(0);
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_EQ(grid.columns(), 0);
}

TEST(Grid, IndexesOutsideTheGridChangeNothing) {
    Grid<int> grid(2, 2);
    grid.setItem(0, 0, 1);
    EXPECT_FALSE(grid.getItem(-1, 0));
    EXPECT_FALSE(grid.getItem(0, 5));
    EXPECT_FALSE(grid.getItem(9, 0));
    grid.setItem(5, 5, 3);
    grid.deleteColumn(7);
    grid.deleteColumn(-1);
    grid.deleteRow(2);
    grid.insertRow(5);
    grid.insertColumns(3);
    grid.addItem(4, 0, 9);
    grid.addItem(0, -1, 9);
    EXPECT_EQ(grid.columns(), 2);
    EXPECT_EQ(grid.rows(), 2);
    EXPECT_EQ(grid.count(), 0);
    EXPECT_EQ(grid.getItem(0, 0), 1);

    // A row past the end of a new, still empty column is reached, not lost.
    grid.addItem(2, 1, 5);
    EXPECT_EQ(grid.getItem(2, 1), 5);
    EXPECT_FALSE(grid.getItem(2, 0));
    // Row insertion reaches the short column too.
    grid.insertColumns(3);
    grid.insertRow(2);
    EXPECT_EQ(grid.rows(), 3);

    Grid<int> negative(-2, -3);
    EXPECT_EQ(negative.columns(), 0);
    EXPECT_EQ(negative.rows(), 0);
}
