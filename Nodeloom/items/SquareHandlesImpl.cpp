#include "Nodeloom/items/SquareHandlesImpl.h"

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/items/HandlesVisualStyle.h"

namespace nodeloom {

SquareHandlesImpl& SquareHandlesImpl::instance() {
    static SquareHandlesImpl shared;
    return shared;
}

void SquareHandlesImpl::drawRectHandles(Canvas& canvas, const Rect& rect, double size) {
    drawSquareHandles(rect, canvas, size);
}

void SquareHandlesImpl::drawPointHandles(Canvas& canvas, const std::vector<Point>& points,
                                         double size) {
    const HandlesVisualStyle style;
    for (const Point& p : points)
        drawHandle(canvas, p, style, size);
}

void drawSquareHandles(const Rect& rect, Canvas& canvas, double size) {
    const double x = rect.x, y = rect.y, w = rect.width, h = rect.height;
    const Point points[] = {
        {x, y},         {x + w, y},         {x, y + h},
        {x + w, y + h}, {x, y + h / 2},     {x + w, y + h / 2},
        {x + w / 2, y}, {x + w / 2, y + h}, {x + w / 2, y + h / 2},
    };
    for (const Point& p : points)
        drawHandle(canvas, p, HandlesVisualStyle(), size);
}

void drawHandle(Canvas& canvas, const Point& point, const HandlesVisualStyle& style, double size) {
    canvas.setStroke(*style.defHandleStroke());
    // The canvas takes a thickness of 0 as one pixel of its own unit.
    canvas.setStrokeThickness(style.defHandleStrokeThickness());
    canvas.setBrush(style.defHandleBrush());
    canvas.drawRect(point.x - size / 2, point.y - size / 2, size, size);
}

}  // namespace nodeloom
