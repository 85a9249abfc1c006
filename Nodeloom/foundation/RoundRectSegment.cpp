#include "Nodeloom/foundation/RoundRectSegment.h"

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

void RoundRectSegment::draw(Canvas& canvas) {
    if (!allFinite({x_, y_, w_, h_, r_})) return;
    moveIfNeeded(canvas, Point(x_, y_ + r_));
    canvas.pathRoundRect(Rect(x_, y_, w_, h_), r_);
}

void RoundRectSegment::addToPath(GraphicsPath& path) {
    path.addLine(Point(x_, y_), Point(x_ + w_, y_));
    path.addLine(Point(x_ + w_, y_), Point(x_ + w_, y_ + h_));
    path.addLine(Point(x_ + w_, y_ + h_), Point(x_, y_ + h_));
    path.addLine(Point(x_, y_ + h_), Point(x_, y_));
}

bool RoundRectSegment::loadFromXml(const std::shared_ptr<XmlElement>& element) {
    if (!element) return false;
    const auto x = readNumber(*element, "x");
    const auto y = readNumber(*element, "y");
    const auto w = readNumber(*element, "w");
    const auto h = readNumber(*element, "h");
    const auto r = readNumber(*element, "r");
    if (!x || !y || !w || !h || !r) return false;
    x_ = *x;
    y_ = *y;
    w_ = *w;
    h_ = *h;
    r_ = *r;
    return true;
}

}  // namespace nodeloom
