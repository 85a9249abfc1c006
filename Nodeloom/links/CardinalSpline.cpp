#include "Nodeloom/links/CardinalSpline.h"

#include <cmath>
#include <cstddef>

namespace nodeloom {

namespace {

constexpr double kAlpha = 0.5;
// Closer neighbours than this give no direction; the tangent point stays on the curve's point.
constexpr double kCoincident = 1e-05;

Point reflect(const Point& p, const Point& through) {
    return Point(through.x - (p.x - through.x), through.y - (p.y - through.y));
}

// The tangent point beside `from` on the piece towards `to`, given the point on the far side of
// `from` (`behind`).
Point tangentPoint(const Point& behind, const Point& from, const Point& to) {
    const double d1 = behind.distance(from);
    if (d1 < kCoincident) return from;
    const double d2 = from.distance(to);
    const double d1a = std::pow(d1, kAlpha);
    const double d2a = std::pow(d2, kAlpha);
    const double d1aa = std::pow(d1, 2 * kAlpha);
    const double d2aa = std::pow(d2, 2 * kAlpha);
    const double weight = 2 * d1aa + 3 * d1a * d2a + d2aa;
    const double divisor = 3 * d1a * (d1a + d2a);
    return Point((d1aa * to.x - d2aa * behind.x + weight * from.x) / divisor,
                 (d1aa * to.y - d2aa * behind.y + weight * from.y) / divisor);
}

}  // namespace

CardinalSpline::CardinalSpline(const std::vector<Point>& points) {
    if (points.size() < 2) {
        splinePoints_ = points;
        return;
    }
    const std::size_t m = points.size() - 1;
    build(points, reflect(points[1], points[0]), reflect(points[m - 1], points[m]));
}

CardinalSpline::CardinalSpline(const std::vector<Point>& points, Point phantomStart,
                               Point phantomEnd) {
    if (points.size() < 2) {
        splinePoints_ = points;
        return;
    }
    build(points, phantomStart, phantomEnd);
}

void CardinalSpline::build(const std::vector<Point>& points, Point phantomStart, Point phantomEnd) {
    const std::size_t m = points.size() - 1;
    const auto extended = [&](std::size_t i) -> const Point& {
        // Index i of the list with the phantom ends around it: 0 is the phantom start.
        if (i == 0) return phantomStart;
        if (i == m + 2) return phantomEnd;
        return points[i - 1];
    };
    splinePoints_.clear();
    splinePoints_.reserve(3 * m + 1);
    splinePoints_.push_back(points[0]);
    for (std::size_t i = 0; i < m; ++i) {
        const Point& before = extended(i);
        const Point& from = extended(i + 1);
        const Point& to = extended(i + 2);
        const Point& after = extended(i + 3);
        // The second tangent point is the first one of the piece walked backwards.
        splinePoints_.push_back(tangentPoint(before, from, to));
        splinePoints_.push_back(tangentPoint(after, to, from));
        splinePoints_.push_back(to);
    }
}

}  // namespace nodeloom
