#pragma once

#include <memory>

#include "Nodeloom/links/LinkShapeImpl.h"

namespace nodeloom {

class DiagramLink;

// Alternating horizontal and vertical segments; the link's cascadeStartHorizontal says which
// way segment 0 runs, and segment j runs the other way when j is odd.
class CascadingShapeImpl : public LinkShapeImpl {
public:
    static std::shared_ptr<CascadingShapeImpl> instance();

    // A link of two points or fewer becomes three segments; the inner points are then spread
    // between the ends.
    void initPoints(DiagramLink& link, Point start, Point end) override;
    // A dragged end that now lies mostly across the first segment's direction turns the link
    // over and spreads its inner points again; any other drag straightens the two segments at
    // the dragged point.
    void onControlPointMoved(DiagramLink& link, Point point, int index,
                             const DiagramLinkState& dragStart) override;
    // Three points or more, the first two segments axis-parallel.
    bool pointsAreValid(DiagramLink& link) override;
    // Squares the first and the last segment again.
    void adjustAfterEndsMoved(DiagramLink& link) override;
    // The first segment of an applied route tells the starting direction.
    void onPointsApplied(DiagramLink& link) override;

    // Whether segment `index` runs horizontally when segment 0 runs horizontally or not.
    static bool isHorizontalSegment(int index, bool startHorizontal);

protected:
    CascadingShapeImpl() = default;

private:
    // Spreads the inner points in alternating steps from p1 towards p2, squares the last inner
    // point to the end and sets the starting direction.
    void distribute(DiagramLink& link, Point p1, Point p2);
    void keepOrthogonal(DiagramLink& link, int index);
};

}  // namespace nodeloom
