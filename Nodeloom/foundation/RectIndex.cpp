#include "Nodeloom/foundation/RectIndex.h"

#include <algorithm>

namespace nodeloom {

namespace {

constexpr std::size_t kMaxReservedAhead = 1 << 16;

}  // namespace

RectIndex::RectIndex(const std::vector<Rect>& rects, const Rect& extent, std::size_t expectedMore)
    : rects_(rects) {
    // The expectation is a hint: room is made ahead for a bounded number only, so that an
    // overstated one asks for no memory beyond reach.
    rects_.reserve(rects.size() + std::min<std::size_t>(expectedMore, kMaxReservedAhead));
    grid_.assign(
        rects.size(), [&](std::size_t i) -> const Rect& { return rects[i]; }, extent, expectedMore);
}

int RectIndex::insert(const Rect& rect) {
    rects_.push_back(rect);
    return grid_.add(rect);
}

}  // namespace nodeloom
