#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// Numbered rectangles in a hashed grid of square cells, which may be entered, moved and taken
// out one at a time, so that the ones near a rectangle are found at the cost of what lies there
// however many there are. A query reports each entry whose rectangle may meet the asked one
// (touching included) exactly once, with entries that merely share a cell; the caller applies
// its own exact test. A rectangle with a number that is not finite, or one that would fill too
// many cells, is kept aside and reported by every query; a query with such a number, or larger
// than the entries, reports every entry. Numbers are small non-negative integers chosen by the
// caller.
class RectHash {
public:
    explicit RectHash(double cellSize = 1.0) { reset(cellSize); }

    // Takes out every entry and sets the cell size (a size that is not a positive finite number
    // counts as 1).
    void reset(double cellSize);
    double cellSize() const { return cell_; }

    // Enters the rectangle under that number, or moves the entry there.
    void set(int id, const Rect& rect);
    void erase(int id);
    bool contains(int id) const {
        return id >= 0 && static_cast<std::size_t>(id) < entries_.size() &&
               entries_[static_cast<std::size_t>(id)].present;
    }
    std::size_t size() const { return count_; }

    template <typename Visit>
    void query(const Rect& r, Visit&& visit) const {
        if (++stamp_ == 0) {
            std::fill(seen_.begin(), seen_.end(), 0);
            stamp_ = 1;
        }
        for (int id : aside_)
            visit(id);
        long c0, c1, r0, r1;
        const bool bounded = r.isFinite() && cells(r, c0, c1, r0, r1) &&
                             static_cast<double>(c1 - c0 + 1) * static_cast<double>(r1 - r0 + 1) <=
                                 static_cast<double>(count_) + 16.0;
        if (!bounded) {
            for (std::size_t id = 0; id < entries_.size(); ++id) {
                if (entries_[id].present && !entries_[id].aside) visit(static_cast<int>(id));
            }
            return;
        }
        for (long row = r0; row <= r1; ++row) {
            for (long col = c0; col <= c1; ++col) {
                const auto found = grid_.find(key(col, row));
                if (found == grid_.end()) continue;
                for (int id : found->second) {
                    std::uint64_t& seen = seen_[static_cast<std::size_t>(id)];
                    if (seen == stamp_) continue;
                    seen = stamp_;
                    visit(id);
                }
            }
        }
    }

private:
    struct Entry {
        long c0 = 0, c1 = -1, r0 = 0, r1 = -1;
        std::size_t asidePos = 0;
        bool present = false;
        bool aside = false;
    };

    static std::uint64_t key(long col, long row) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(col)) << 32) |
               static_cast<std::uint32_t>(row);
    }
    // The cells the rectangle covers; false when they lie beyond the grid's range.
    bool cells(const Rect& r, long& c0, long& c1, long& r0, long& r1) const;
    void leave(int id);

    double cell_ = 1.0;
    std::vector<Entry> entries_;
    std::unordered_map<std::uint64_t, std::vector<int>> grid_;
    std::vector<int> aside_;
    std::size_t count_ = 0;
    mutable std::vector<std::uint64_t> seen_;
    mutable std::uint64_t stamp_ = 0;
};

}  // namespace nodeloom
