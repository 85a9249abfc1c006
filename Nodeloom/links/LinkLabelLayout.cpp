#include "Nodeloom/links/LinkLabelLayout.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/RectIndex.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"

namespace nodeloom {

namespace {

// A link longer than this many candidate steps is searched over its first ones only; no screen
// shows a longer one.
constexpr double kMaxCandidates = 1e6;

double overlapArea(const Rect& a, const Rect& b) {
    const double height = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    const double width = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    return height * width;
}

// The largest area that R shares with an obstacle it meets; 0 when it meets none.
struct ListedObstacles {
    const std::vector<Rect>& rects;
    double maxOverlap(const Rect& r) const {
        double best = 0;
        for (const Rect& o : rects) {
            if (LinkLabelLayout::meets(o, r)) best = std::max(best, overlapArea(r, o));
        }
        return best;
    }
};

struct IndexedObstacles {
    const RectIndex& index;
    double maxOverlap(const Rect& r) const {
        double best = 0;
        index.query(r, [&](int id) {
            const Rect& o = index.rect(id);
            if (LinkLabelLayout::meets(o, r)) best = std::max(best, overlapArea(r, o));
        });
        return best;
    }
};

struct Placement {
    Point center;
    double width = 0;
    double height = 0;
};

double millimetreIn(const Diagram* diagram) {
    if (!diagram || !diagram->measureUnit()) return 1.0;
    const double mm = MeasureUnit::Millimeter()->convert(1.0, *diagram->measureUnit());
    return std::isfinite(mm) && mm > 0 ? mm : 1.0;
}

double length(const Vector& v) {
    return std::sqrt(v.x * v.x + v.y * v.y);
}

// Whether the arrangement of the area places the label: where it was placed last, or where its
// offsets put it beside its link now, meets the area. Once the link has moved, the first may lie
// far from the second; asking only the first would leave the label behind at its old place,
// away from its link, whenever that place is outside the refreshed area.
bool concerns(LinkLabel& label, const Rect& area) {
    const std::optional<Rect> placed = label.getLayoutRect();
    if (placed && LinkLabelLayout::meets(*placed, area)) return true;
    const std::optional<Rect> cached = label.cachedLayoutRect();
    if (!cached) return false;
    label.setCachedLayoutRect(std::nullopt);
    const std::optional<Rect> offset = label.getLayoutRect();
    label.setCachedLayoutRect(cached);
    return offset && LinkLabelLayout::meets(*offset, area);
}

template <typename Obstacles>
std::optional<Placement> place(LinkLabel& label, const Obstacles& obstacles, const Rect& area) {
    const std::optional<Rect> previous = label.cachedLayoutRect();
    label.setCachedLayoutRect(Rect());
    const std::optional<Rect> fresh = label.getLayoutRect();
    if (!fresh) {
        // Nothing to measure the label by any more: it stays where it was.
        label.setCachedLayoutRect(previous);
        return std::nullopt;
    }
    const double w = fresh->width;
    const double h = fresh->height;
    const Point c0 = fresh->center();
    Placement result{c0, w, h};

    const std::shared_ptr<DiagramLink> link = label.link();
    if (!link) return result;
    const std::shared_ptr<Diagram> diagram = link->diagram();
    const double stepLength = 4 * millimetreIn(diagram.get());
    const double minX = area.x + w / 2, maxX = area.x + area.width - w / 2;
    const double minY = area.y + h / 2, maxY = area.y + area.height - h / 2;
    const auto fits = [&](const Point& p) {
        return minX <= p.x && p.x <= maxX && minY <= p.y && p.y <= maxY;
    };

    const std::vector<Point> pts = link->getFlattenedPointsWithSteps(30);
    if (pts.size() < 2) return result;

    Point best = c0;
    double bestCost = std::numeric_limits<double>::max();
    // Adds what only a candidate that could still win needs: the overlap with the obstacles and
    // the penalty for covering the link. Both are never negative, so a candidate whose base cost
    // already loses, or that does not fit the area, is passed over without them.
    const auto consider = [&](const Point& p, double base) {
        if (!(base < bestCost) || !fits(p)) return;
        const Rect r(p.x - w / 2, p.y - h / 2, w, h);
        double cost = base + obstacles.maxOverlap(r);
        if (!(cost < bestCost)) return;
        if (link->intersects(r)) cost += 50;
        if (cost < bestCost) {
            best = p;
            bestCost = cost;
        }
    };

    for (std::size_t i = 0; i + 1 < pts.size(); ++i) {
        const Vector v(pts[i], pts[i + 1]);
        const double len = length(v);
        if (!(len > 0) || !std::isfinite(len)) continue;
        const double steps = std::min(std::floor(len / stepLength), kMaxCandidates);
        const int count = static_cast<int>(steps);
        const Vector step = v * (stepLength / len);
        const Vector na(step.y, -step.x);
        const Vector nb(-step.y, step.x);
        const Vector ua = na / length(na);
        const Vector ub = nb / length(nb);
        const double reachA = LinkLabelLayout::rectExtentAlong(*fresh, nb) + 1;
        const double reachB = LinkLabelLayout::rectExtentAlong(*fresh, na) + 1;
        for (const Point& q :
             LinkLabelLayout::pointsAlongSegment(pts[i], step, pts[i + 1], count)) {
            const Point a = q + ua * reachA;
            const Point b = q + ub * reachB;
            const double baseA = a.distance(c0) + (b.y < a.y ? 1 : 0);
            const double baseB = b.distance(c0) + (a.y < b.y ? 1 : 0);
            consider(a, baseA);
            consider(b, baseB);
        }
    }
    result.center = best;
    return result;
}

}  // namespace

bool LinkLabelLayout::meets(const Rect& a, const Rect& b) {
    return a.x <= b.x + b.width && b.x <= a.x + a.width && a.y <= b.y + b.height &&
           b.y <= a.y + a.height;
}

void LinkLabelLayout::arrange(Diagram& diagram, const Rect& area) {
    std::vector<Rect> obstacles;
    for (const auto& node : diagram.nodes()) {
        if (!node) continue;
        const Rect b = node->bounds();
        if (meets(b, area)) obstacles.push_back(b);
    }
    std::vector<std::shared_ptr<LinkLabel>> labels;
    for (const auto& link : diagram.links()) {
        if (!link) continue;
        for (const auto& label : link->labels()) {
            if (label && label->autoArrange() && concerns(*label, area)) labels.push_back(label);
        }
    }
    if (labels.empty()) return;

    RectIndex index(obstacles, area, labels.size());
    const IndexedObstacles indexed{index};
    for (const auto& label : labels) {
        const std::optional<Placement> placed = place(*label, indexed, area);
        if (!placed) continue;
        const Rect r(placed->center.x - placed->width / 2, placed->center.y - placed->height / 2,
                     placed->width, placed->height);
        label->setCachedLayoutRect(r);
        index.insert(r);
    }
}

Point LinkLabelLayout::findLabelPosition(LinkLabel& label, const std::vector<Rect>& obstacles,
                                         const Rect& area) {
    const std::optional<Rect> before = label.cachedLayoutRect();
    const std::optional<Placement> placed = place(label, ListedObstacles{obstacles}, area);
    if (placed) {
        label.setCachedLayoutRect(Rect());
        return placed->center;
    }
    return before ? before->center() : Point();
}

std::vector<Point> LinkLabelLayout::pointsAlongSegment(Point from, const Vector& step, Point to,
                                                       int count) {
    std::vector<Point> points;
    points.reserve(static_cast<std::size_t>(std::max(count, 0)) + 2);
    points.push_back(from);
    Point p = from;
    for (int k = 0; k < count; ++k) {
        p = p + step;
        points.push_back(p);
    }
    if (!(points.back() == to)) points.push_back(to);
    return points;
}

double LinkLabelLayout::rectExtentAlong(const Rect& rect, const Vector& d) {
    const double len = length(d);
    const Point c = rect.center();
    double best = std::numeric_limits<double>::lowest();
    for (const Point& corner : rect.getCornerPoints())
        best = std::max(best, ((corner.x - c.x) * d.x + (corner.y - c.y) * d.y) / len);
    return best;
}

double LinkLabelLayout::labelOverlapCost(LinkLabel& label, const std::vector<Rect>& obstacles,
                                         Point p, double base) {
    const std::optional<Rect> r = label.getLayoutRect();
    const double w = r ? r->width : 0;
    const double h = r ? r->height : 0;
    return base + ListedObstacles{obstacles}.maxOverlap(Rect(p.x - w / 2, p.y - h / 2, w, h));
}

}  // namespace nodeloom
