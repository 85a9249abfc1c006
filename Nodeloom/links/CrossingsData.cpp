#include "Nodeloom/links/CrossingsData.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>


namespace nodeloom {

namespace {

constexpr double kOnSegment = 0.0001;
constexpr double kSameDistance = 1e-5;

double distanceSquared(const Point& a, const Point& b) {
    const double dx = a.x - b.x, dy = a.y - b.y;
    return dx * dx + dy * dy;
}

// Whether a lies nearer to `from` than b by a margin; points within the margin count as equally
// near, so that sorting keeps their order.
bool closer(const Point& from, const Point& a, const Point& b) {
    const double da = distanceSquared(a, from);
    const double db = distanceSquared(b, from);
    return std::fabs(da - db) >= kSameDistance && da < db;
}

// Where the circle of radius r around c meets the line from c towards `toward`. The crossing lies
// on that line, so this is the point r along it; a radius of 0 gives c itself.
Point circlePoint(const Point& c, const Point& toward, double r) {
    const double length = std::sqrt(distanceSquared(c, toward));
    if (!(length > 0) || r == 0) return c;
    return Point(c.x + (toward.x - c.x) / length * r, c.y + (toward.y - c.y) / length * r);
}

// Drops crossings that are out of order along the segment or shorter than h, two neighbouring
// entries at a time, so that the list keeps the form start, entry, exit, ..., end. After a
// removal the pairing shifts by one, and a straight piece shorter than h joins the crossings on
// either side of it into one.
void prune(std::vector<Crossing>& list, const Point& start, double h) {
    std::size_t i = 1;
    while (i + 2 < list.size()) {
        const Point& a = list[i].location;
        const Point& b = list[i + 1].location;
        const double da = distanceSquared(a, start);
        const double db = distanceSquared(b, start);
        const bool outOfOrder = !(a == b) && std::fabs(da - db) >= kSameDistance && da > db;
        if (outOfOrder || std::sqrt(distanceSquared(a, b)) < h) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i),
                       list.begin() + static_cast<std::ptrdiff_t>(i + 2));
            i += 1;
        } else {
            i += 2;
        }
    }
}

}  // namespace

// The crossing of segments s-e and p-q, found through the slopes and intercepts of their lines
// and accepted within a small tolerance of both segments' extents. Parallel segments (vertical
// ones included) never cross.
std::optional<Point> segmentCrossing(const Point& s, const Point& e, const Point& p,
                                     const Point& q) {
    const bool thisVertical = s.x == e.x;
    const bool otherVertical = p.x == q.x;
    if (thisVertical && otherVertical) return std::nullopt;
    double x = 0, y = 0;
    if (thisVertical) {
        const double a2 = (p.y - q.y) / (p.x - q.x);
        const double b2 = (p.x * q.y - p.y * q.x) / (p.x - q.x);
        x = s.x;
        y = a2 * x + b2;
    } else {
        const double a = (s.y - e.y) / (s.x - e.x);
        const double b = (s.x * e.y - s.y * e.x) / (s.x - e.x);
        if (otherVertical) {
            x = p.x;
            y = a * p.x + b;
        } else {
            const double a2 = (p.y - q.y) / (p.x - q.x);
            const double b2 = (p.x * q.y - p.y * q.x) / (p.x - q.x);
            if (a == a2) return std::nullopt;
            x = (b2 - b) / (a - a2);
            y = b + a * (b2 - b) / (a - a2);
        }
    }
    if ((x - s.x) * (x - e.x) <= kOnSegment && (y - s.y) * (y - e.y) <= kOnSegment &&
        (x - p.x) * (x - q.x) <= kOnSegment && (y - p.y) * (y - q.y) <= kOnSegment) {
        return Point(x, y);
    }
    return std::nullopt;
}

DiagramLink::CrossingsData::CrossingsData(int segmentCount)
    : segmentCrossings_(static_cast<std::size_t>(std::max(segmentCount, 0))) {}

void DiagramLink::CrossingsData::build(DiagramLink& link,
                                       const std::vector<std::shared_ptr<DiagramLink>>& others,
                                       LinkCrossings mode, double radius, double halfMillimetre) {
    const int segments = std::max(link.segmentCount(), 0);
    built_ = true;
    mode_ = mode;
    radius_ = radius;
    points_.clear();
    for (int i = 0; i <= segments && segments > 0; ++i)
        points_.push_back(link.getTrimmedPoint(i));
    segmentCrossings_.assign(static_cast<std::size_t>(segments), {});

    const Rect bounds = link.getBounds();
    std::vector<const DiagramLink*> candidates;
    candidates.reserve(others.size());
    for (const auto& other : others) {
        if (!other || other.get() == &link || !other->visible()) continue;
        if (other->shape() == LinkShape::bezier) continue;
        if (!bounds.intersectsWith(other->getBounds())) continue;
        candidates.push_back(other.get());
    }

    const double r = std::isfinite(radius) ? radius : 0.0;
    std::vector<Crossing> found;
    for (int i = 0; i < segments; ++i) {
        const Point s = points_[static_cast<std::size_t>(i)];
        const Point e = points_[static_cast<std::size_t>(i) + 1];
        if (s == e) continue;

        found.clear();
        for (const DiagramLink* other : candidates) {
            const std::vector<Point>& points = other->controlPoints();
            for (std::size_t j = 0; j + 1 < points.size(); ++j) {
                const Point& p = points[j];
                const Point& q = points[j + 1];
                if (p == q) continue;
                const std::optional<Point> x = segmentCrossing(s, e, p, q);
                if (!x) continue;
                // A bridge or gap that would reach past an end of either segment is not drawn.
                if (!(r < x->distance(s) && r < x->distance(e) && r < x->distance(p) &&
                      r < x->distance(q)))
                    continue;
                found.push_back(Crossing{*x, r});
            }
        }

        // Nearest to the segment's start first; equally near crossings keep their order.
        for (std::size_t k = 1; k < found.size(); ++k) {
            const Crossing c = found[k];
            std::size_t m = k;
            while (m > 0 && closer(s, c.location, found[m - 1].location)) {
                found[m] = found[m - 1];
                --m;
            }
            found[m] = c;
        }

        std::vector<Crossing>& list = segmentCrossings_[static_cast<std::size_t>(i)];
        list.reserve(found.size() * 2 + 2);
        list.push_back(Crossing{s, 0.0});
        for (const Crossing& c : found) {
            const Point towardStart = circlePoint(c.location, s, r);
            const Point towardEnd = circlePoint(c.location, e, r);
            if (closer(s, towardStart, towardEnd)) {
                list.push_back(Crossing{towardStart, r});
                list.push_back(Crossing{towardEnd, r});
            } else {
                list.push_back(Crossing{towardEnd, r});
                list.push_back(Crossing{towardStart, r});
            }
        }
        const bool anyCrossing = list.size() >= 3;
        list.push_back(Crossing{e, 0.0});
        if (anyCrossing) prune(list, s, halfMillimetre);
    }
}

bool DiagramLink::CrossingsData::isCurrentFor(const DiagramLink& link, LinkCrossings mode,
                                              double radius) const {
    if (!built_ || mode != mode_ || !(radius == radius_)) return false;
    const int segments = std::max(link.segmentCount(), 0);
    if (segments == 0) return points_.empty();
    if (points_.size() != static_cast<std::size_t>(segments) + 1) return false;
    for (int i = 0; i <= segments; ++i) {
        if (!(points_[static_cast<std::size_t>(i)] == link.getTrimmedPoint(i))) return false;
    }
    return true;
}

}  // namespace nodeloom
