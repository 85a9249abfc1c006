#include "Nodeloom/links/BezierShapeImpl.h"

#include <cstddef>
#include <vector>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Utilities.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

Point between(const Point& a, const Point& b, double t) {
    return Point(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
}

// p reflected through the centre c.
Point mirror(const Point& p, const Point& c) {
    return Point(c.x + (c.x - p.x), c.y + (c.y - p.y));
}

}  // namespace

std::shared_ptr<BezierShapeImpl> BezierShapeImpl::instance() {
    struct Shared : BezierShapeImpl {};
    static const std::shared_ptr<BezierShapeImpl> shared = std::make_shared<Shared>();
    return shared;
}

void BezierShapeImpl::initPoints(DiagramLink& link, Point start, Point end) {
    link.setControlPoints({start, between(start, end, 1.0 / 3), between(start, end, 2.0 / 3), end});
}

void BezierShapeImpl::onControlPointMoved(DiagramLink& link, Point point, int index,
                                          const DiagramLinkState& dragStart) {
    std::vector<Point> cur = link.controlPoints();
    const std::vector<Point>& orig = dragStart.controlPoints();
    const int n = static_cast<int>(cur.size());
    if (n < 4 || index < 0 || index >= n) return;
    if (cur.size() == orig.size()) {
        const auto at = [](int i) { return static_cast<std::size_t>(i); };
        const int k = index;
        if (k % 3 == 2 && k < n - 3) {
            cur[at(k + 2)] = mirror(point, cur[at(k + 1)]);
        } else if (k % 3 == 1 && k >= 4) {
            cur[at(k - 2)] = mirror(point, cur[at(k - 1)]);
        } else if (k > 0 && k % 3 == 0 && k < n - 1) {
            const double dx = point.x - orig[at(k)].x;
            const double dy = point.y - orig[at(k)].y;
            cur[at(k - 1)] = Point(orig[at(k - 1)].x + dx, orig[at(k - 1)].y + dy);
            cur[at(k + 1)] = Point(orig[at(k + 1)].x + dx, orig[at(k + 1)].y + dy);
        }
    }
    link.setControlPoints(std::move(cur));
}

bool BezierShapeImpl::pointsAreValid(DiagramLink& link) {
    return link.controlPoints().size() % 3 == 1;
}

void BezierShapeImpl::onPointsApplied(DiagramLink& link) {
    const std::vector<Point>& p = link.controlPoints();
    if (p.empty()) return;
    const std::size_t m = p.size() - 1;
    std::vector<Point> result;
    if (p.size() >= 3) {
        result.reserve(3 * m - 2);
        result.push_back(p[0]);
        for (std::size_t i = 1; i <= m - 1; ++i) {
            result.push_back(p[i]);
            result.push_back(p[i]);
            result.push_back(i == m - 1 ? p[m] : p[i].middle(p[i + 1]));
        }
    } else {
        const Point mid = p[0].middle(p[m]);
        result = {p[0], mid, mid, p[m]};
    }
    link.setControlPoints(std::move(result));
}

void BezierShapeImpl::draw(DiagramLink&, const std::vector<Point>& points, Canvas& canvas) {
    canvas.drawBezier(points);
}

void BezierShapeImpl::drawIntermediateShapes(Canvas& canvas, const std::shared_ptr<Shape>& shape,
                                             double size, DiagramLink&,
                                             const std::vector<Point>& points, int segment) {
    if (segment < 0 || 3 * static_cast<std::size_t>(segment) + 3 >= points.size()) return;
    const Point at = Utilities::getBezierPt(points, segment, 0.5);
    const Point before = Utilities::getBezierPt(points, segment, 0.45);
    DiagramLink::drawShapeAlongSegment(canvas, shape, at, before, size);
}

}  // namespace nodeloom
