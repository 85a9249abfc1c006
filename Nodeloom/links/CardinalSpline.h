#pragma once

#include <vector>

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

// The Bézier form of a smooth curve through a list of points: each piece between two
// neighbouring points becomes one cubic segment by the centripetal Catmull-Rom conversion, so
// m + 1 points give 3m + 1 spline points. The curve's ends need a neighbour outside the list;
// by default each end's neighbour is reflected through it, so the curve leaves straight.
class CardinalSpline {
public:
    explicit CardinalSpline(const std::vector<Point>& points);
    CardinalSpline(const std::vector<Point>& points, Point phantomStart, Point phantomEnd);

    // The list itself when it has fewer than two points.
    const std::vector<Point>& splinePoints() const { return splinePoints_; }
    void setSplinePoints(std::vector<Point> points) { splinePoints_ = std::move(points); }

private:
    void build(const std::vector<Point>& points, Point phantomStart, Point phantomEnd);

    std::vector<Point> splinePoints_;
};

}  // namespace nodeloom
