#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/links/Crossing.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/document/LinkCrossings.h"

namespace nodeloom {

// The crossing places of one link, one list per segment in segment order. A segment's list runs
// from the segment's start (radius 0) through the entry and exit point of every crossing, in
// order along the segment, to its end (radius 0): pieces 0-1, 2-3, ... are drawn straight and
// pieces 1-2, 3-4, ... are the crossings. A degenerate segment has an empty list.
//
// The data is a cache kept in the link's run-time data; it remembers the trimmed points, the mode
// and the radius it was built for, so that a link that has since changed is never drawn with it.
class DiagramLink::CrossingsData : public Object {
public:
    // That many empty lists; none for a count below 1.
    explicit CrossingsData(int segmentCount);

    const std::vector<std::vector<Crossing>>& segmentCrossings() const { return segmentCrossings_; }
    std::vector<std::vector<Crossing>>& segmentCrossings() { return segmentCrossings_; }
    void setSegmentCrossings(std::vector<std::vector<Crossing>> crossings) {
        segmentCrossings_ = std::move(crossings);
    }

    // Fills the lists of `link` with its crossings against `others`, the links on the side of it
    // that the mode decorates, nearest in the drawing order first. Hidden links, Bézier links
    // and links whose bounds do not meet the link's are passed over. Crossings closer than
    // `radius` to an end of either segment are dropped, and crossings or straight pieces shorter
    // than `halfMillimetre` are merged away.
    void build(DiagramLink& link, const std::vector<std::shared_ptr<DiagramLink>>& others,
               LinkCrossings mode, double radius, double halfMillimetre);

    // Whether the data was built for the link's present trimmed points, in this mode and with
    // this radius.
    bool isCurrentFor(const DiagramLink& link, LinkCrossings mode, double radius) const;

private:
    std::vector<std::vector<Crossing>> segmentCrossings_;
    bool built_ = false;
    LinkCrossings mode_ = LinkCrossings::straight;
    double radius_ = 0.0;
    std::vector<Point> points_;
};

// Where segments s-e and p-q cross, found through the slopes and intercepts of their lines and
// accepted within a small tolerance of both segments' extents; parallel segments never cross. Links
// find their crossings with each other and with rectangles by this one test.
std::optional<Point> segmentCrossing(const Point& s, const Point& e, const Point& p,
                                     const Point& q);

}  // namespace nodeloom
