#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// A uniform grid over numbered rectangles, so that the ones near an area are found without
// looking at all of them. A query visits, exactly once each, every entry that shares a cell with
// the area: a superset of the entries whose rectangles meet it (touching included), on which the
// caller applies its own exact test. Rectangles with a number that is not finite, or that would
// fill too many cells, are kept aside and visited by every query, and a query with such a number
// visits every entry, so that no exact test can ever miss one.
//
// The grid is laid out for the rectangles it is given at once, in two flat lists (where each
// cell's entries start, and the entries one cell after another): laying it out allocates nothing
// per entry or per cell, and nothing at all when it is laid out again in lists it already has.
// Rectangles added afterwards go into a chain per cell kept in one more flat list.
class RectGrid {
public:
    // Lays the grid out afresh for `count` rectangles, rectOf(i) giving the i-th, which is
    // entered as number i; the cells also suit about `expectedMore` further rectangles of similar
    // size inside `extent`.
    template <typename RectOf>
    void assign(std::size_t count, RectOf&& rectOf, const Rect& extent = Rect(),
                std::size_t expectedMore = 0) {
        Extent measured;
        for (std::size_t i = 0; i < count; ++i)
            measured.take(rectOf(i));
        const std::size_t most = std::numeric_limits<std::size_t>::max();
        const std::size_t total = expectedMore > most - count ? most : count + expectedMore;
        // A few rectangles far from the rest would stretch the cells over the gap until every
        // query saw nearly every entry: the grid then covers where most of them lie, and the
        // rest share its edge cells.
        bool trimmed = false;
        if (count >= kTrimFrom && coarse(measured, total)) {
            xs_.clear();
            ys_.clear();
            sizes_.clear();
            for (std::size_t i = 0; i < count; ++i) {
                const Rect& r = rectOf(i);
                if (!r.isFinite()) continue;
                xs_.push_back(r.x);
                ys_.push_back(r.y);
                sizes_.push_back(std::max(std::fabs(r.width), std::fabs(r.height)) * 0.5);
            }
            trimmed = trim(measured);
        }
        // Once trimmed, an extent far larger than the rectangles would undo the trim: entries
        // added later outside the grid share its edge cells, as the far ones read now do.
        layOut(measured, trimmed ? Rect() : extent, total);
        for (std::size_t i = 0; i < count; ++i)
            countIn(static_cast<int>(i), rectOf(i));
        startCells();
        for (std::size_t i = 0; i < count; ++i)
            placeIn(static_cast<int>(i), rectOf(i));
        size_ = count;
    }

    // Enters one more rectangle and answers its number (one more than the last).
    int add(const Rect& rect);
    // Forgets every entry, keeping the lists.
    void clear();
    std::size_t size() const { return size_; }

    template <typename Visit>
    void query(const Rect& area, Visit&& visit) const {
        if (!area.isFinite()) {
            for (std::size_t id = 0; id < size_; ++id)
                visit(static_cast<int>(id));
            return;
        }
        for (int id : loose_)
            visit(id);
        Span q;
        cellsOf(area, q);
        // An entry in several cells of the area is visited in the first of them only: the one
        // whose left and upper neighbours within the area do not hold it.
        const auto pass = [&](std::uint32_t packed, int col, int row) {
            if ((packed & kLeft) != 0 && col > q.c0) return;
            if ((packed & kAbove) != 0 && row > q.r0) return;
            visit(static_cast<int>(packed >> 2));
        };
        for (int row = q.r0; row <= q.r1; ++row) {
            for (int col = q.c0; col <= q.c1; ++col) {
                const std::size_t cell = static_cast<std::size_t>(row) * cols_ + col;
                for (std::uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k)
                    pass(cellEntries_[k], col, row);
                if (addedHead_.empty()) continue;
                for (int a = addedHead_[cell]; a >= 0; a = added_[static_cast<std::size_t>(a)].next)
                    pass(added_[static_cast<std::size_t>(a)].packed, col, row);
            }
        }
    }

private:
    // The finite bounds of the finite rectangles met, the sum of their half sizes and the
    // largest.
    struct Extent {
        double left, top, right, bottom, sumSize = 0, largest = 0;
        std::size_t counted = 0;
        Extent();
        void take(const Rect& r);
    };
    // The cells a rectangle covers, by column and row.
    struct Span {
        int c0 = 0, c1 = 0, r0 = 0, r1 = 0;
    };
    struct Added {
        std::uint32_t packed;
        int next;
    };

    // An entry is listed as its number shifted past two flags: whether the cell to its left,
    // and the cell above it, hold the entry too.
    static constexpr std::uint32_t kLeft = 1;
    static constexpr std::uint32_t kAbove = 2;
    static std::uint32_t pack(int id, int col, int row, const Span& s) {
        return (static_cast<std::uint32_t>(id) << 2) | (col > s.c0 ? kLeft : 0) |
               (row > s.r0 ? kAbove : 0);
    }

    // From this many rectangles on, a few far from the rest are not let stretch the cells.
    static constexpr std::size_t kTrimFrom = 64;
    // Whether the cells would come out far larger than the rectangles, or a few rectangles far
    // larger than the rest would set their size.
    static bool coarse(const Extent& measured, std::size_t total);
    // Narrows the bounds to where all but a few of the corners in xs_ and ys_ lie, and takes the
    // middle size of sizes_ for the mean; false when there are too few to tell.
    bool trim(Extent& measured);
    void layOut(Extent measured, const Rect& extent, std::size_t total);
    void countIn(int id, const Rect& r);
    void startCells();
    void placeIn(int id, const Rect& r);
    int cell(double v, double origin, int count) const;
    // False when the rectangle is to be kept aside.
    bool cellsOf(const Rect& r, Span& s) const;

    // In half coordinates.
    double originX_ = 0;
    double originY_ = 0;
    double cell_ = 1;
    int cols_ = 1;
    int rows_ = 1;
    std::size_t size_ = 0;
    // The entries of cell k are cellEntries_[cellStart_[k] .. cellStart_[k + 1]), ascending.
    std::vector<std::uint32_t> cellStart_{0, 0};
    std::vector<std::uint32_t> cellEntries_;
    // While the grid is laid out: where each cell's next entry goes.
    std::vector<std::uint32_t> next_;
    // Entries kept out of the cells, ascending.
    std::vector<int> loose_;
    // Entries added after the layout: a chain per cell, -1 ending it; addedHead_ is empty until
    // the first such entry.
    std::vector<int> addedHead_;
    std::vector<Added> added_;
    // The rectangles' corners and half sizes while the grid is laid out, kept for the next.
    std::vector<double> xs_;
    std::vector<double> ys_;
    std::vector<double> sizes_;
};

}  // namespace nodeloom
