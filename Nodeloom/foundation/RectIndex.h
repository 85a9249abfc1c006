#pragma once

#include <cstddef>
#include <vector>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/RectGrid.h"

namespace nodeloom {

// Numbered rectangles in a RectGrid, so that the ones near a given rectangle are found without
// looking at all of them. A query reports each entry whose rectangle may meet the asked one
// (Rect::intersectsWith, touching included) exactly once, together with entries that merely
// share a cell; the caller applies its own exact test. Rectangles with a number that is not
// finite, or too large for the grid, are reported by every query, and a query with such a number
// reports every entry, so that no exact test can ever miss one.
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
        grid_.query(r, visit);
    }

private:
    std::vector<Rect> rects_;
    RectGrid grid_;
};

}  // namespace nodeloom
