#include "Nodeloom/links/RouterGeometry.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string_view>

#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {

namespace {

// The numbers every template reads, named as in the table of templates.
struct Frame {
    double x1, y1, R1, B1, x2, y2, R2, B2, xm;

    Frame(const Rect& r1, const Rect& r2)
        : x1(r1.x),
          y1(r1.y),
          R1(r1.x + r1.width),
          B1(r1.y + r1.height),
          x2(r2.x),
          y2(r2.y),
          R2(r2.x + r2.width),
          B2(r2.y + r2.height),
          xm((R1 + r2.x) / 2) {}
};

using Route = std::vector<Point>;

Route routeRL(const Rect& r1, Point p1, const Rect& r2, Point p2, double) {
    const Frame f(r1, r2);
    return {p1, {f.xm, p1.y}, {f.xm, p2.y}, p2};
}

Route routeRT(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    if (f.y2 - m <= p1.y) return {p1, {f.xm, p1.y}, {f.xm, f.y2 - m}, {p2.x, f.y2 - m}, p2};
    return {p1, {p2.x, p1.y}, p2};
}

Route routeRB(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    if (p1.y <= f.B2 + m) return {p1, {f.xm, p1.y}, {f.xm, f.B2 + m}, {p2.x, f.B2 + m}, p2};
    return {p1, {p2.x, p1.y}, p2};
}

Route routeRR(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    if (p1.y < f.y2 - m || p1.y > f.B2 + m) return {p1, {f.R2 + m, p1.y}, {f.R2 + m, p2.y}, p2};
    return {p1, {f.xm, p1.y}, {f.xm, f.B2 + m}, {f.R2 + m, f.B2 + m}, {f.R2 + m, p2.y}, p2};
}

Route routeBL(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    if (p2.y - m <= f.B1) return {p1, {p1.x, f.B1 + m}, {f.xm, f.B1 + m}, {f.xm, p2.y}, p2};
    return {p1, {p1.x, p2.y}, p2};
}

Route routeBT(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    if (f.y2 - 2 * m <= f.B1)
        return {p1, {p1.x, f.B1 + m}, {f.xm, f.B1 + m}, {f.xm, f.y2 - m}, {p2.x, f.y2 - m}, p2};
    const double ym = (f.B1 + f.y2) / 2;
    return {p1, {p1.x, ym}, {p2.x, ym}, p2};
}

Route routeBB(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    const double y = std::max(f.B1, f.B2) + m;
    return {p1, {p1.x, y}, {p2.x, y}, p2};
}

Route routeBR(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    const double y = f.y2 - 2 * m <= f.B1 ? std::max(f.B1, f.B2) + m : (f.B1 + f.y2) / 2;
    return {p1, {p1.x, y}, {f.R2 + m, y}, {f.R2 + m, p2.y}, p2};
}

Route routeTL(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    if (f.y1 - m <= p2.y) return {p1, {p1.x, f.y1 - m}, {f.xm, f.y1 - m}, {f.xm, p2.y}, p2};
    return {p1, {p1.x, p2.y}, p2};
}

Route routeTT(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    const double y = std::min(f.y1, f.y2) - m;
    return {p1, {p1.x, y}, {p2.x, y}, p2};
}

Route routeTB(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    if (f.y1 <= f.B2 + 2 * m)
        return {p1, {p1.x, f.y1 - m}, {f.xm, f.y1 - m}, {f.xm, f.B2 + m}, {p2.x, f.B2 + m}, p2};
    const double ym = (f.y1 + f.B2) / 2;
    return {p1, {p1.x, ym}, {p2.x, ym}, p2};
}

Route routeTR(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    const double y = f.y1 <= f.B2 + 2 * m ? std::min(f.y1, f.y2) - m : (f.y1 + f.B2) / 2;
    return {p1, {p1.x, y}, {f.R2 + m, y}, {f.R2 + m, p2.y}, p2};
}

Route routeLL(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    if (p2.y + m < f.y1 || f.B1 < p2.y - m) return {p1, {f.x1 - m, p1.y}, {f.x1 - m, p2.y}, p2};
    return {p1, {f.x1 - m, p1.y}, {f.x1 - m, f.y1 - m}, {f.xm, f.y1 - m}, {f.xm, p2.y}, p2};
}

Route routeLT(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    const double y = f.y2 - 2 * m <= f.B1 ? std::min(f.y1, f.y2) - m : (f.B1 + f.y2) / 2;
    return {p1, {f.x1 - m, p1.y}, {f.x1 - m, y}, {p2.x, y}, p2};
}

Route routeLB(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    const double y = f.y1 <= f.B2 + 2 * m ? std::max(f.B1, f.B2) + m : (f.y1 + f.B2) / 2;
    return {p1, {f.x1 - m, p1.y}, {f.x1 - m, y}, {p2.x, y}, p2};
}

Route routeLR(const Rect& r1, Point p1, const Rect& r2, Point p2, double m) {
    const Frame f(r1, r2);
    double y;
    if (f.y1 <= f.B2 + 2 * m)
        y = f.B1 < f.y2 - 2 * m ? (f.y2 + f.B1) / 2 : std::min(f.y1, f.y2) - m;
    else
        y = (f.y1 + f.B2) / 2;
    return {p1, {f.x1 - m, p1.y}, {f.x1 - m, y}, {f.R2 + m, y}, {f.R2 + m, p2.y}, p2};
}

// Quarter turns that bring the destination to the right of the origin. They turn about (0, 0)
// rather than about the origin's centre: a turn about the origin and its inverse only swap and
// negate coordinates, so they are exact, and points that share a coordinate before the turn
// still share it after the turn back. A turn about another centre gives the same route up to
// rounding, which would leave legs that should be straight slightly slanted.
Point turnPoint(Point p, int quarters) {
    switch (quarters) {
        case 1:
            return Point(p.y, -p.x);
        case 2:
            return Point(-p.x, -p.y);
        case 3:
            return Point(-p.y, p.x);
        default:
            return p;
    }
}

Point unturnPoint(Point p, int quarters) {
    return turnPoint(p, (4 - quarters) % 4);
}

Rect turnRect(const Rect& r, int quarters) {
    return Rect::fromPoints(turnPoint(r.topLeft(), quarters), turnPoint(r.bottomRight(), quarters));
}

double polylineLength(const std::vector<Point>& points) {
    double length = 0;
    for (std::size_t i = 1; i < points.size(); ++i)
        length += Geometry::distance(points[i - 1], points[i]);
    return length;
}

}  // namespace

Rect turnedBox(const DiagramNode& node) {
    return Geometry::normalizeRectangle(
        DiagramNode::getRotatedBounds(node.bounds(), node.rotationAngle()));
}

bool passesThrough(const std::vector<Point>& route, const std::vector<Rect>& rects) {
    for (std::size_t i = 0; i + 1 < route.size(); ++i) {
        const Point p = route[i], q = route[i + 1];
        for (const Rect& r : rects) {
            const bool acrossX = std::min(p.x, q.x) < r.right() && r.x < std::max(p.x, q.x);
            const bool acrossY = std::min(p.y, q.y) < r.bottom() && r.y < std::max(p.y, q.y);
            const bool insideX = r.x < p.x && p.x < r.right();
            const bool insideY = r.y < p.y && p.y < r.bottom();
            if ((p.x == q.x && insideX && acrossY) || (p.y == q.y && insideY && acrossX))
                return true;
        }
    }
    return false;
}

const std::map<std::string, Router::RouteTemplate, std::less<>>& Router::sideRouteTemplates() {
    static const std::map<std::string, RouteTemplate, std::less<>> templates{
        {"rl", routeRL}, {"rt", routeRT}, {"rb", routeRB}, {"rr", routeRR},
        {"bl", routeBL}, {"bt", routeBT}, {"bb", routeBB}, {"br", routeBR},
        {"tl", routeTL}, {"tt", routeTT}, {"tb", routeTB}, {"tr", routeTR},
        {"ll", routeLL}, {"lt", routeLT}, {"lb", routeLB}, {"lr", routeLR},
    };
    return templates;
}

char Router::nearestSide(const Rect& rect, Point point) {
    const double left = rect.x, top = rect.y, right = rect.right(), bottom = rect.bottom();
    // How far the point lies beyond the extent of a side along the side's own direction.
    const double outX = std::max({left - point.x, 0.0, point.x - right});
    const double outY = std::max({top - point.y, 0.0, point.y - bottom});
    const double distances[4] = {
        std::hypot(outX, point.y - top),
        std::hypot(point.x - right, outY),
        std::hypot(outX, point.y - bottom),
        std::hypot(point.x - left, outY),
    };
    static constexpr char sides[4] = {'t', 'r', 'b', 'l'};
    int best = 0;
    for (int k = 1; k < 4; ++k)
        if (distances[k] < distances[best]) best = k;
    return sides[best];
}

std::vector<Point> Router::templateRoute(const Rect& r1, Point p1, const Rect& r2, Point p2,
                                         double margin) {
    const Point c1 = r1.center();
    const Point c2 = r2.center();
    const double dx = c2.x - c1.x;
    const double dy = c2.y - c1.y;
    int quarters;
    if (std::fabs(dx) <= std::fabs(dy))
        quarters = dy > 0 ? 1 : 3;
    else
        quarters = dx >= 0 ? 0 : 2;

    const Rect a = turnRect(r1, quarters);
    const Rect b = turnRect(r2, quarters);
    const Point q1 = turnPoint(p1, quarters);
    const Point q2 = turnPoint(p2, quarters);
    const char key[2] = {nearestSide(a, q1), nearestSide(b, q2)};
    const auto& templates = sideRouteTemplates();
    const auto found = templates.find(std::string_view(key, 2));
    std::vector<Point> route =
        found != templates.end() ? found->second(a, q1, b, q2, margin) : Route{q1, q2};
    for (Point& p : route)
        p = unturnPoint(p, quarters);
    return route;
}

std::optional<Point> Router::intersectOrthogonalSegments(Point p1, Point p2, Point q1, Point q2) {
    constexpr double tolerance = 1e-07;
    const bool pVertical = std::fabs(p2.x - p1.x) < tolerance;
    const bool qVertical = std::fabs(q2.x - q1.x) < tolerance;
    const bool pHorizontal = std::fabs(p2.y - p1.y) < tolerance;
    const bool qHorizontal = std::fabs(q2.y - q1.y) < tolerance;
    if ((pVertical && qVertical) || (pHorizontal && qHorizontal)) return std::nullopt;
    if (qVertical && std::min(p1.x, p2.x) <= q1.x && q1.x <= std::max(p1.x, p2.x) &&
        std::min(q1.y, q2.y) < p1.y && p1.y < std::max(q1.y, q2.y))
        return Point(q1.x, p1.y);
    if (pVertical && std::min(q1.x, q2.x) < p1.x && p1.x < std::max(q1.x, q2.x) &&
        std::min(p1.y, p2.y) <= q1.y && q1.y <= std::max(p1.y, p2.y))
        return Point(p1.x, q1.y);
    return std::nullopt;
}

std::vector<Router::Intersection> Router::findIntersections(Point p, Point q, const Rect& bounds,
                                                            int node, int segment) {
    const Point corners[4] = {bounds.topLeft(), bounds.topRight(), bounds.bottomRight(),
                              bounds.bottomLeft()};
    std::vector<Intersection> found;
    for (int k = 0; k < 4; ++k) {
        if (auto hit = intersectOrthogonalSegments(p, q, corners[k], corners[(k + 1) % 4]))
            found.push_back(Intersection{*hit, node, segment, k});
    }
    return found;
}

std::vector<Point> Router::detourAroundObstacle(const Rect& bounds, const Intersection& entry,
                                                const Intersection& exit) {
    const Point corners[4] = {bounds.topLeft(), bounds.topRight(), bounds.bottomRight(),
                              bounds.bottomLeft()};
    auto side = [](int s) { return ((s % 4) + 4) % 4; };
    const int in = side(entry.side);
    const int out = side(exit.side);
    if (in == out) return {entry.point, exit.point};

    std::vector<Point> increasing{entry.point};
    for (int k = in + 1;; ++k) {
        increasing.push_back(corners[side(k)]);
        if (side(k) == out) break;
    }
    increasing.push_back(exit.point);

    std::vector<Point> decreasing{entry.point};
    for (int k = in;; --k) {
        decreasing.push_back(corners[side(k)]);
        if (side(k) == side(out + 1)) break;
    }
    decreasing.push_back(exit.point);

    if (increasing.size() != decreasing.size())
        return increasing.size() < decreasing.size() ? increasing : decreasing;
    return polylineLength(increasing) < polylineLength(decreasing) ? increasing : decreasing;
}

bool Router::segmentHitsNodes(Point p, Point q, const std::vector<Rect>& nodes, double margin) {
    const double shrink = margin * 0.125;
    for (const Rect& node : nodes) {
        const Rect r = Rect::inflate(node, -shrink, -shrink);
        if (r.containsPoint(p) && r.containsPoint(q)) return true;
        const Point corners[4] = {r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft()};
        for (int k = 0; k < 4; ++k)
            if (intersectOrthogonalSegments(p, q, corners[k], corners[(k + 1) % 4])) return true;
    }
    return false;
}

void Router::simplifyRoute(std::vector<Point>& route, const std::vector<Rect>& nodes,
                           double margin) {
    if (route.size() < 6) return;
    // A signed length along the leg's own axis.
    auto along = [](Point a, Point b) { return a.x == b.x ? b.y - a.y : b.x - a.x; };
    for (std::size_t i = 1; i + 4 < route.size(); ++i) {
        const Point a = route[i], b = route[i + 1], c = route[i + 2], d = route[i + 3];
        const bool horizontal = a.y == b.y;
        const double d1 = along(a, b);
        const double d3 = along(c, d);
        const bool uTurn = horizontal ? (b.x == c.x && c.y == d.y) : (b.y == c.y && c.x == d.x);
        if (!uTurn || !(d1 * d3 < 0)) continue;

        bool replaced = false;
        if (std::fabs(d1) < std::fabs(d3)) {
            const Point n = horizontal ? Point(a.x, c.y) : Point(c.x, a.y);
            if (!segmentHitsNodes(a, n, nodes, margin)) {
                route.erase(route.begin() + static_cast<std::ptrdiff_t>(i),
                            route.begin() + static_cast<std::ptrdiff_t>(i + 3));
                route.insert(route.begin() + static_cast<std::ptrdiff_t>(i), n);
                replaced = true;
            }
        } else {
            const Point n = horizontal ? Point(d.x, a.y) : Point(a.x, d.y);
            if (!segmentHitsNodes(n, d, nodes, margin)) {
                route.erase(route.begin() + static_cast<std::ptrdiff_t>(i + 1),
                            route.begin() + static_cast<std::ptrdiff_t>(i + 4));
                route.insert(route.begin() + static_cast<std::ptrdiff_t>(i + 1), n);
                replaced = true;
            }
        }
        // Step back so that a U-turn the shortcut has just formed is found too.
        if (replaced) i = std::max<std::size_t>(i, 3) - 2;
    }
}

std::vector<Router::Union> Router::collectUnions(const std::vector<Rect>& obstacles,
                                                 double margin) {
    const std::size_t n = obstacles.size();
    const double shrink = margin / 4;
    std::vector<Rect> shrunk(n);
    for (std::size_t i = 0; i < n; ++i)
        shrunk[i] = Rect::inflate(obstacles[i], -shrink, -shrink);

    std::vector<std::size_t> parent(n);
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](std::size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };

    // A sweep from left to right finds the same overlapping pairs as testing every pair: a
    // rectangle that starts to the right of another's right edge cannot meet it, nor can any
    // that starts further right.
    std::vector<std::size_t> order;
    order.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const Rect& r = shrunk[i];
        if (r.isFinite() && r.width >= 0 && r.height >= 0)
            order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return shrunk[a].x < shrunk[b].x; });
    for (std::size_t a = 0; a < order.size(); ++a) {
        const Rect& r = shrunk[order[a]];
        const double right = r.x + r.width;
        for (std::size_t b = a + 1; b < order.size() && shrunk[order[b]].x <= right; ++b) {
            if (r.intersectsWith(shrunk[order[b]])) parent[root(order[a])] = root(order[b]);
        }
    }

    std::vector<Union> unions;
    std::vector<int> unionOfRoot(n, -1);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t r = root(i);
        if (unionOfRoot[r] < 0) {
            unionOfRoot[r] = static_cast<int>(unions.size());
            unions.push_back(Union{obstacles[i], {}});
        } else {
            Union& u = unions[static_cast<std::size_t>(unionOfRoot[r])];
            u.bounds = u.bounds.union_(obstacles[i]);
        }
        unions[static_cast<std::size_t>(unionOfRoot[r])].members.push_back(static_cast<int>(i));
    }
    return unions;
}

namespace {

// Where the route enters a cluster and where it leaves it.
using Detour = std::pair<Router::Intersection, Router::Intersection>;

// One pass of detours: every crossing of the route into a cluster is paired with the route's
// next crossing of the same cluster, and the route between them is replaced by the way around
// the cluster. The pairs taken are added to `detours`.
std::vector<Point> detourOnce(const std::vector<Point>& route,
                              const std::vector<Router::Union>& unions,
                              std::vector<Detour>* detours = nullptr) {
    using Intersection = Router::Intersection;
    std::vector<Intersection> crossings;
    std::vector<Intersection> onSegment;
    for (std::size_t i = 0; i + 1 < route.size(); ++i) {
        onSegment.clear();
        for (std::size_t u = 0; u < unions.size(); ++u) {
            for (const Intersection& x :
                 Router::findIntersections(route[i], route[i + 1], unions[u].bounds,
                                           static_cast<int>(u), static_cast<int>(i)))
                onSegment.push_back(x);
        }
        const Point from = route[i];
        std::stable_sort(
            onSegment.begin(), onSegment.end(), [&](const Intersection& a, const Intersection& b) {
                return Geometry::distance(from, a.point) < Geometry::distance(from, b.point);
            });
        crossings.insert(crossings.end(), onSegment.begin(), onSegment.end());
    }

    // The node of a crossing lies in 0 .. unions.size() - 1; slot 0 stands for none.
    std::vector<int> next(crossings.size(), -1);
    std::vector<int> latest(unions.size() + 1, -1);
    for (std::size_t i = crossings.size(); i-- > 0;) {
        const std::size_t slot = static_cast<std::size_t>(crossings[i].node + 1);
        next[i] = latest[slot];
        latest[slot] = static_cast<int>(i);
    }

    std::vector<Point> result;
    int last = -1;
    for (std::size_t i = 0; i < crossings.size();) {
        if (next[i] < 0) {
            ++i;
            continue;
        }
        const Intersection& entry = crossings[i];
        const Intersection& exit = crossings[static_cast<std::size_t>(next[i])];
        if (detours) detours->emplace_back(entry, exit);
        for (int k = last + 1; k <= entry.segment; ++k)
            result.push_back(route[static_cast<std::size_t>(k)]);
        const Rect& bounds = unions[static_cast<std::size_t>(entry.node)].bounds;
        for (const Point& p : Router::detourAroundObstacle(bounds, entry, exit))
            result.push_back(p);
        last = exit.segment;
        i = static_cast<std::size_t>(next[i]) + 1;
    }
    for (std::size_t k = static_cast<std::size_t>(last + 1); k < route.size(); ++k)
        result.push_back(route[k]);
    return result;
}

std::vector<Rect> boundsOf(const std::vector<Router::Union>& unions) {
    std::vector<Rect> bounds;
    for (const Router::Union& u : unions)
        bounds.push_back(u.bounds);
    return bounds;
}

bool strictlyInside(const Rect& r, Point p) {
    return r.x < p.x && p.x < r.right() && r.y < p.y && p.y < r.bottom();
}

// Joins every cluster into which the way around another one enters or leaves with that one;
// false when there is none.
bool joinInterleaved(std::vector<Router::Union>& unions, const std::vector<Detour>& detours) {
    std::vector<std::size_t> parent(unions.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto root = [&](std::size_t i) {
        while (parent[i] != i)
            i = parent[i] = parent[parent[i]];
        return i;
    };
    bool joined = false;
    for (const Detour& d : detours) {
        const std::size_t a = static_cast<std::size_t>(d.first.node);
        for (std::size_t b = 0; b < unions.size(); ++b) {
            if (b == a || root(a) == root(b)) continue;
            if (strictlyInside(unions[b].bounds, d.first.point) ||
                strictlyInside(unions[b].bounds, d.second.point)) {
                parent[root(b)] = root(a);
                joined = true;
            }
        }
    }
    if (!joined) return false;
    std::vector<Router::Union> result;
    std::vector<int> slot(unions.size(), -1);
    for (std::size_t i = 0; i < unions.size(); ++i) {
        const std::size_t r = root(i);
        if (slot[r] < 0) {
            slot[r] = static_cast<int>(result.size());
            result.push_back(unions[i]);
            continue;
        }
        Router::Union& u = result[static_cast<std::size_t>(slot[r])];
        u.bounds = u.bounds.union_(unions[i].bounds);
        u.members.insert(u.members.end(), unions[i].members.begin(), unions[i].members.end());
        std::sort(u.members.begin(), u.members.end());
    }
    unions = std::move(result);
    return true;
}

// Enough for the clusters of a dense document to be joined as far as a route needs.
constexpr int maxJoinRounds = 4;

}  // namespace

std::vector<Point> Router::routeAroundObstacles(const std::vector<Point>& route,
                                                const std::vector<Rect>& obstacles,
                                                const std::vector<Rect>& endNodes, double margin) {
    if (route.size() < 2 || obstacles.empty()) return route;
    const std::vector<Union> unions = collectUnions(obstacles, margin);

    std::vector<Detour> detours;
    std::vector<Point> result = detourOnce(route, unions, &detours);
    // Clusters whose margins overlap without being joined can interleave along the route: the
    // way around one then enters or leaves the route inside the next, whose crossing was passed
    // over while pairing, and the route runs on through that node or its margin. Such a route is
    // made again with those clusters joined: taken when it keeps out of every margin, or, failing
    // that, when it at least keeps out of the nodes that the first one runs through.
    const std::vector<Rect> margins = boundsOf(unions);
    if (passesThrough(result, margins)) {
        std::vector<Rect> nodes;
        for (const Rect& r : obstacles)
            nodes.push_back(Rect::inflate(r, -margin, -margin));
        std::optional<std::vector<Point>> clearOfNodes;
        bool clear = false;
        std::vector<Union> joined = unions;
        for (int round = 0; round < maxJoinRounds && joinInterleaved(joined, detours); ++round) {
            detours.clear();
            std::vector<Point> around = detourOnce(route, joined, &detours);
            if (!passesThrough(around, margins)) {
                result = std::move(around);
                clear = true;
                break;
            }
            if (!clearOfNodes && !passesThrough(around, nodes)) clearOfNodes = std::move(around);
        }
        if (!clear && clearOfNodes && passesThrough(result, nodes))
            result = std::move(*clearOfNodes);
    }

    std::vector<Rect> kept = obstacles;
    kept.insert(kept.end(), endNodes.begin(), endNodes.end());
    simplifyRoute(result, kept, margin);
    return result;
}

}  // namespace nodeloom
