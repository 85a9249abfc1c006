#include "Nodeloom/foundation/ArcSegment.h"

#include <cmath>
#include <numbers>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

void ArcSegment::draw(Canvas& canvas) {
    if (!allFinite({x_, y_, w_, h_, a_, s_})) return;
    const double radians = a_ * std::numbers::pi / 180.0;
    const Point start(x_ + w_ / 2 + (w_ / 2) * std::cos(radians),
                      y_ + h_ / 2 + (h_ / 2) * std::sin(radians));
    moveIfNeeded(canvas, start);
    canvas.pathArcTo(Rect(x_, y_, w_, h_), a_, s_);
}

void ArcSegment::addToPath(GraphicsPath& path) {
    path.addArc(Rect(x_, y_, w_, h_), a_, s_);
}

bool ArcSegment::loadFromXml(const std::shared_ptr<XmlElement>& element) {
    if (!element) return false;
    const auto x = readNumber(*element, "x");
    const auto y = readNumber(*element, "y");
    const auto w = readNumber(*element, "arc-width");
    const auto h = readNumber(*element, "arc-height");
    const auto a = readNumber(*element, "start");
    const auto s = readNumber(*element, "sweep");
    if (!x || !y || !w || !h || !a || !s) return false;
    x_ = *x;
    y_ = *y;
    w_ = *w;
    h_ = *h;
    a_ = *a;
    s_ = *s;
    return true;
}

bool ArcSegment::isFullEllipse() const {
    return s_ == 360.0 && w_ == 100.0 && h_ == 100.0;
}

}  // namespace nodeloom
