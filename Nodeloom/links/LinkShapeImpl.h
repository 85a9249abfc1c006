#pragma once

#include <memory>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/links/LinkShape.h"

namespace nodeloom {

class DiagramLink;
class DiagramLinkState;

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

protected:
    LinkShapeImpl() = default;
};

}  // namespace nodeloom
