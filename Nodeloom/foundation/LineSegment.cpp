#include "Nodeloom/foundation/LineSegment.h"

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {

void LineSegment::draw(Canvas& canvas) {
    if (!allFinite({startPoint_.x, startPoint_.y, endPoint_.x, endPoint_.y})) return;
    moveIfNeeded(canvas, startPoint_);
    canvas.pathLineTo(endPoint_);
}

void LineSegment::addToPath(GraphicsPath& path) {
    path.addLine(startPoint_, endPoint_);
}

bool LineSegment::loadFromXml(const std::shared_ptr<XmlElement>& element) {
    if (!element) return false;
    const auto points = childElements(*element);
    if (points.size() < 2) return false;
    const auto start = readPoint(*points[0]);
    const auto end = readPoint(*points[1]);
    if (!start || !end) return false;
    startPoint_ = *start;
    endPoint_ = *end;
    return true;
}

}  // namespace nodeloom
