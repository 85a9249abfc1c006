#include "Nodeloom/foundation/BezierSegment.h"

#include <array>
#include <optional>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

void BezierSegment::draw(Canvas& canvas) {
    if (!allFinite({p1_.x, p1_.y, p2_.x, p2_.y, p3_.x, p3_.y, p4_.x, p4_.y})) return;
    moveIfNeeded(canvas, p1_);
    canvas.pathBezierTo(p2_, p3_, p4_);
}

void BezierSegment::addToPath(GraphicsPath& path) {
    path.addBezier({p1_, p2_, p3_, p4_});
}

bool BezierSegment::loadFromXml(const std::shared_ptr<XmlElement>& element) {
    if (!element) return false;
    const auto children = childElements(*element);
    if (children.size() < 4) return false;
    std::array<Point, 4> points;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto p = readPoint(*children[i]);
        if (!p) return false;
        points[i] = *p;
    }
    p1_ = points[0];
    p2_ = points[1];
    p3_ = points[2];
    p4_ = points[3];
    return true;
}

}  // namespace nodeloom
