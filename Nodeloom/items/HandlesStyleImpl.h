#pragma once

#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class Canvas;

// How an item's selection handles are drawn; items pick the strategy for their handles style.
// The base draws nothing.
class HandlesStyleImpl {
public:
    HandlesStyleImpl() = default;
    virtual ~HandlesStyleImpl() = default;
    HandlesStyleImpl(const HandlesStyleImpl&) = delete;
    HandlesStyleImpl& operator=(const HandlesStyleImpl&) = delete;

    // The handles of a node's rectangle.
    virtual void drawRectHandles(Canvas& canvas, const Rect& rect, double size);
    // One handle at each point (the points of a link).
    virtual void drawPointHandles(Canvas& canvas, const std::vector<Point>& points, double size);
};

}  // namespace nodeloom
