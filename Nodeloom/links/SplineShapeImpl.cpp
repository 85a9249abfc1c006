#include "Nodeloom/links/SplineShapeImpl.h"

#include <cmath>
#include <cstddef>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/links/CardinalSpline.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

// The point `length` along the polyline from its first point: before the first point for a
// negative length (on the line of the first piece), the first point for a length past the end.
Point pointAlong(const std::vector<Point>& points, double length) {
    if (points.empty()) return Point();
    if (length < 0 && points.size() >= 2) {
        const Point& a = points[0];
        const Point& b = points[1];
        const double piece = a.distance(b);
        if (piece > 0)
            return Point(a.x + (b.x - a.x) / piece * length, a.y + (b.y - a.y) / piece * length);
        return a;
    }
    double walked = 0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
        const Point& a = points[i];
        const Point& b = points[i + 1];
        const double piece = a.distance(b);
        if (piece > 0 && length < walked + piece) {
            const double t = (length - walked) / piece;
            return Point(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
        }
        walked += piece;
    }
    return points.front();
}

}  // namespace

std::shared_ptr<SplineShapeImpl> SplineShapeImpl::instance() {
    struct Shared : SplineShapeImpl {};
    static const std::shared_ptr<SplineShapeImpl> shared = std::make_shared<Shared>();
    return shared;
}

void SplineShapeImpl::initPoints(DiagramLink& link, Point start, Point end) {
    link.setControlPoints({start, end});
}

void SplineShapeImpl::draw(DiagramLink&, const std::vector<Point>& points, Canvas& canvas) {
    if (points.size() < 2) return;
    canvas.drawBezier(CardinalSpline(points).splinePoints());
}

void SplineShapeImpl::drawIntermediateShapes(Canvas& canvas, const std::shared_ptr<Shape>& shape,
                                             double size, DiagramLink& link,
                                             const std::vector<Point>& points, int segment) {
    if (segment < 0 || static_cast<std::size_t>(segment) + 1 >= points.size()) return;
    const CardinalSpline curve(points);
    const std::vector<Point>& spline = curve.splinePoints();
    GraphicsPath path;
    for (std::size_t i = 0; i + 3 < spline.size(); i += 3)
        path.addBezier({spline[i], spline[i + 1], spline[i + 2], spline[i + 3]});
    path.flatten(Matrix(), 10.0);
    const std::vector<Point> flat = path.getPoints();

    double mm = 1.0;
    if (const auto d = link.diagram(); d && d->measureUnit()) {
        const double converted = MeasureUnit::Millimeter()->convert(1.0, *d->measureUnit());
        if (std::isfinite(converted) && converted > 0) mm = converted;
    }
    // Each control point is matched, in order, to the first flattened point within a millimetre
    // of it, the scan going on from the previous match.
    std::size_t scan = 0;
    std::size_t from = 0, to = 0;
    for (std::size_t k = 0; k <= static_cast<std::size_t>(segment) + 1; ++k) {
        while (scan < flat.size() && flat[scan].distance(points[k]) > mm)
            ++scan;
        if (scan >= flat.size()) return;
        if (k == static_cast<std::size_t>(segment)) from = scan;
        if (k == static_cast<std::size_t>(segment) + 1) to = scan;
    }
    const std::vector<Point> piece(flat.begin() + static_cast<std::ptrdiff_t>(from),
                                   flat.begin() + static_cast<std::ptrdiff_t>(to) + 1);
    double length = 0;
    for (std::size_t i = 0; i + 1 < piece.size(); ++i)
        length += piece[i].distance(piece[i + 1]);
    const Point at = pointAlong(piece, length / 2);
    const Point before = pointAlong(piece, length / 2 - size);
    DiagramLink::drawShapeAlongSegment(canvas, shape, at, before, size);
}

}  // namespace nodeloom
