#pragma once

#include <memory>

#include "Nodeloom/links/LinkShapeImpl.h"

namespace nodeloom {

// A smooth curve through every control point (see CardinalSpline); any list of two or more
// points is valid.
class SplineShapeImpl : public LinkShapeImpl {
public:
    static std::shared_ptr<SplineShapeImpl> instance();

    // One piece from start to end.
    void initPoints(DiagramLink& link, Point start, Point end) override;

    // The smooth curve through the points; splines draw no crossings and no rounded corners.
    void draw(DiagramLink& link, const std::vector<Point>& points, Canvas& canvas) override;
    // Halfway along the curve between control points `segment` and `segment` + 1, turned along
    // the curve.
    void drawIntermediateShapes(Canvas& canvas, const std::shared_ptr<Shape>& shape, double size,
                                DiagramLink& link, const std::vector<Point>& points,
                                int segment) override;

protected:
    SplineShapeImpl() = default;
};

}  // namespace nodeloom
