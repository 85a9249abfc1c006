#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// A uniform grid over numbered rectangles, so that the ones near a given rectangle are found
// without looking at all of them. A query reports each entry whose rectangle may meet the asked
// one (touching included) exactly once, together with entries that merely share a cell; the caller
// applies its own exact test. Rectangles with a number that is not finite, or too large for the
// grid, are kept aside and reported by every query, and a query with such a number reports every
// entry, so that no exact test can ever miss one.
class RectIndex {
public:
    // A grid sized for the given rectangles (entered with their positions as numbers) and for
    // about `expectedMore` further ones of similar size inside `extent`.
    explicit RectIndex(const std::vector<Rect>& rects, const Rect& extent = Rect(),
                       std::size_t expectedMore = 0);

    // Enters a rectangle and answers its number (one more than the last).
    int insert(const Rect& rect);
    const Rect& rect(int id) const { return rects_[static_cast<std::size_t>(id)]; }
    std::size_t size() const { return rects_.size(); }

    // Calls visit(id) for every entry that may meet the rectangle.
    template <typename Visit>
    void query(const Rect& r, Visit&& visit) const {
        ++stamp_;
        for (int id : loose_)
            visit(id);
        if (!r.isFinite()) {
            for (std::size_t id = 0; id < rects_.size(); ++id) {
                if (!isLoose(id)) visit(static_cast<int>(id));
            }
            return;
        }
        int c0, c1, r0, r1;
        cells(r, c0, c1, r0, r1);
        for (int row = r0; row <= r1; ++row) {
            for (int col = c0; col <= c1; ++col) {
                for (int id : grid_[static_cast<std::size_t>(row) * cols_ + col]) {
                    std::uint64_t& seen = seen_[static_cast<std::size_t>(id)];
                    if (seen == stamp_) continue;
                    seen = stamp_;
                    visit(id);
                }
            }
        }
    }

    // Whether two rectangles meet, edges and corners included; any number that is not finite
    // makes them meet, as the "neither lies wholly beside the other" test answers.
    static bool overlaps(const Rect& a, const Rect& b) {
        return !(a.x + a.width < b.x || b.x + b.width < a.x || a.y + a.height < b.y ||
                 b.y + b.height < a.y);
    }

private:
    bool isLoose(std::size_t id) const { return seen_[id] == kLoose; }
    void cells(const Rect& r, int& c0, int& c1, int& r0, int& r1) const;
    int cell(double v, double origin, int count) const;

    static constexpr std::uint64_t kLoose = ~std::uint64_t{0};

    double originX_ = 0;
    double originY_ = 0;
    double cell_ = 1;
    int cols_ = 1;
    int rows_ = 1;
    std::vector<std::vector<int>> grid_;
    std::vector<Rect> rects_;
    std::vector<int> loose_;
    mutable std::vector<std::uint64_t> seen_;
    mutable std::uint64_t stamp_ = 0;
};

}  // namespace nodeloom
