#pragma once

#include "Nodeloom/items/HandlesStyleImpl.h"

namespace nodeloom {

// Selected items show no handles at all.
class InvisibleHandlesImpl : public HandlesStyleImpl {
public:
    // The one instance that every item shares, made on first use.
    static InvisibleHandlesImpl& instance();

    void drawRectHandles(Canvas& canvas, const Rect& rect, double size) override;
    void drawPointHandles(Canvas& canvas, const std::vector<Point>& points, double size) override;
};

}  // namespace nodeloom
