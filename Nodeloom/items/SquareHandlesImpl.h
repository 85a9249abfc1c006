#pragma once

#include "Nodeloom/items/HandlesStyleImpl.h"

namespace nodeloom {

class HandlesVisualStyle;

// Black-outlined white squares centred on the handle points.
class SquareHandlesImpl : public HandlesStyleImpl {
public:
    // The one instance that every item shares, made on first use.
    static SquareHandlesImpl& instance();

    void drawRectHandles(Canvas& canvas, const Rect& rect, double size) override;
    void drawPointHandles(Canvas& canvas, const std::vector<Point>& points, double size) override;
};

// The nine handles of a rectangle, in this order: the four corners (top-left, top-right,
// bottom-left, bottom-right), the middles of the left and right sides, of the top and bottom
// sides, and the centre. Each is drawn in the default look, whatever a loaded style says.
void drawSquareHandles(const Rect& rect, Canvas& canvas, double size);

// One square of the given size centred on the point, filled with the style's brush and outlined
// with its stroke (a thickness of 0 is one pixel).
void drawHandle(Canvas& canvas, const Point& point, const HandlesVisualStyle& style, double size);

}  // namespace nodeloom
