#pragma once

#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/Vector.h"

namespace nodeloom {

class Diagram;
class LinkLabel;

// Places the auto-arranged labels of a document's links: each label moves to a spot beside its
// link, as near as it can to where its own offsets put it, clear of the nodes and of the labels
// placed before it, and off the link line. Candidates lie every 4 millimetres along the link, one
// document unit clear of it on either side; each costs its distance from the offset position plus
// the largest area it shares with an obstacle, plus 50 when it covers the link itself, and the
// side with the smaller y wins ties by 1. The search is greedy, label by label in link order.
class LinkLabelLayout {
public:
    LinkLabelLayout() = delete;

    // Places every auto-arranged label that meets the area, fixing its rectangle in the label's
    // cachedLayoutRect; the obstacles are found through a spatial index, with the same result as
    // a search over every obstacle.
    static void arrange(Diagram& diagram, const Rect& area);

    // The best centre for the label against these obstacles, with the label kept inside the
    // area; the position its offsets give when no candidate fits the area or its link has fewer
    // than two points. Clears the label's cachedLayoutRect.
    static Point findLabelPosition(LinkLabel& label, const std::vector<Rect>& obstacles,
                                   const Rect& area);
    // `from`, then `count` points each one step further, then `to` unless it equals the last.
    static std::vector<Point> pointsAlongSegment(Point from, const Vector& step, Point to,
                                                 int count);
    // How far the rectangle reaches from its centre in the direction d.
    static double rectExtentAlong(const Rect& rect, const Vector& d);
    // `base` plus the largest area that the label's rectangle, centred on p, shares with one of
    // the obstacles.
    static double labelOverlapCost(LinkLabel& label, const std::vector<Rect>& obstacles, Point p,
                                   double base);

    // Whether two rectangles meet, edges included.
    static bool meets(const Rect& a, const Rect& b);
};

}  // namespace nodeloom
