#include "Nodeloom/foundation/RectIndex.h"

namespace nodeloom {

RectIndex::RectIndex(const std::vector<Rect>& rects, const Rect& extent, std::size_t expectedMore)
    : rects_(rects) {
    rects_.reserve(rects.size() + expectedMore);
    grid_.assign(
        rects.size(), [&](std::size_t i) -> const Rect& { return rects[i]; }, extent,
        expectedMore);
}

int RectIndex::insert(const Rect& rect) {
    rects_.push_back(rect);
    return grid_.add(rect);
}

}  // namespace nodeloom
