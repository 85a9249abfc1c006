#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/links/LinkShape.h"

namespace nodeloom {

class Canvas;
class DiagramLink;
class DiagramLinkState;
class Shape;

// The shape-dependent rules of a link's control points: how they are laid out afresh, kept
// consistent while one of them is dragged, and adjusted after the ends moved or a whole route was
// applied. The strategies keep no state; one shared instance of each serves every link of its
// shape, and every change goes through the link's own setters.
//
// A strategy copes with any point list it is handed: an index or a point count it cannot work
// with leaves the link as it was.
class LinkShapeImpl {
public:
    virtual ~LinkShapeImpl();

    LinkShapeImpl(const LinkShapeImpl&) = delete;
    LinkShapeImpl& operator=(const LinkShapeImpl&) = delete;

    // The shared strategy of a shape; a value outside the enumeration gets the polyline one.
    static std::shared_ptr<LinkShapeImpl> forShape(LinkShape shape);

    // Lays the points out afresh between the two ends; asked only when pointsAreValid says no.
    virtual void initPoints(DiagramLink& link, Point start, Point end);
    // Called after a drag has stored `point` at `index`; `dragStart` holds the points from before
    // the drag.
    virtual void onControlPointMoved(DiagramLink& link, Point point, int index,
                                     const DiagramLinkState& dragStart);
    virtual bool pointsAreValid(DiagramLink& link);
    // Called when an end moved without being dragged (its node moved, an anchor was chosen).
    virtual void adjustAfterEndsMoved(DiagramLink& link);
    // Called after a whole new point list was applied to the link.
    virtual void onPointsApplied(DiagramLink& link);

    // Draws the link's line through `points` (its control points, the ends pulled in under the
    // arrowheads) with the pen already set: straight segments, corners rounded as the document
    // says, and bridges or gaps where it crosses other links.
    virtual void draw(DiagramLink& link, const std::vector<Point>& points, Canvas& canvas);
    // Draws the shape at the middle of segment `segment` of the points, turned along it.
    virtual void drawIntermediateShapes(Canvas& canvas, const std::shared_ptr<Shape>& shape,
                                        double size, DiagramLink& link,
                                        const std::vector<Point>& points, int segment);
    // Strokes the points with every inner corner replaced by an arc of `radius` that touches
    // both of its segments (smaller where the segments are short), nothing filled; as one path
    // when `thickness` exceeds `unitPx`, so that thick lines join cleanly. Answers the last point
    // drawn.
    static Point drawRoundedPolyline(Canvas& canvas, const std::vector<Point>& points,
                                     double radius, double thickness, double unitPx);

protected:
    LinkShapeImpl() = default;
};

}  // namespace nodeloom
