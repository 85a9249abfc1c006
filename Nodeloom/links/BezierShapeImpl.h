#pragma once

#include <memory>

#include "Nodeloom/links/LinkShapeImpl.h"

namespace nodeloom {

// Cubic segments: 3k + 1 points make k segments, points 3i .. 3i + 3 forming segment i, with the
// joints 3i on the link and the tangent points 3i + 1 and 3i + 2 beside it.
class BezierShapeImpl : public LinkShapeImpl {
public:
    static std::shared_ptr<BezierShapeImpl> instance();

    // One straight segment, its tangent points at the thirds.
    void initPoints(DiagramLink& link, Point start, Point end) override;
    // Keeps the curve smooth through the joints: a dragged tangent point mirrors its partner
    // across their joint, and a dragged inner joint carries both of its tangent points along.
    void onControlPointMoved(DiagramLink& link, Point point, int index,
                             const DiagramLinkState& dragStart) override;
    bool pointsAreValid(DiagramLink& link) override;
    // Turns an applied polyline into segments: each inner vertex becomes both tangent points of
    // one segment, and the joints sit halfway between neighbouring inner vertices.
    void onPointsApplied(DiagramLink& link) override;

    // The cubic segments; Bézier links draw no crossings and no rounded corners.
    void draw(DiagramLink& link, const std::vector<Point>& points, Canvas& canvas) override;
    // At the curve's middle (t = 0.5), turned along the curve.
    void drawIntermediateShapes(Canvas& canvas, const std::shared_ptr<Shape>& shape, double size,
                                DiagramLink& link, const std::vector<Point>& points,
                                int segment) override;

protected:
    BezierShapeImpl() = default;
};

}  // namespace nodeloom
