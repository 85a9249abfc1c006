#include "Nodeloom/foundation/Utilities.h"

#include <algorithm>
#include <cmath>

#include "Nodeloom/foundation/Geometry.h"

namespace nodeloom::Utilities {

namespace {

constexpr double rangeTolerance = 0.0001;

// Slope and intercept of the line through two points with different x.
struct LineForm {
    double slope;
    double intercept;
    LineForm(const Point& a, const Point& b)
        : slope((a.y - b.y) / (a.x - b.x)), intercept((a.x * b.y - a.y * b.x) / (a.x - b.x)) {}
};

// The crossing of the lines m and n; absent when both are vertical or their slopes are equal.
std::optional<Point> lineCrossing(const Point& m1, const Point& m2, const Point& n1,
                                  const Point& n2) {
    const bool mVertical = m1.x == m2.x;
    const bool nVertical = n1.x == n2.x;
    if (mVertical && nVertical) return std::nullopt;
    if (mVertical) {
        const LineForm n(n1, n2);
        return Point(m1.x, m1.x * n.slope + n.intercept);
    }
    const LineForm m(m1, m2);
    if (nVertical) return Point(n1.x, n1.x * m.slope + m.intercept);
    const LineForm n(n1, n2);
    if (m.slope == n.slope) return std::nullopt;
    const double e = n.intercept - m.intercept;
    const double g = m.slope - n.slope;
    return Point(e / g, m.intercept + m.slope * e / g);
}

// Whether p lies within the x and y ranges of the segment a-b, with a small tolerance on the
// products.
bool withinRanges(const Point& p, const Point& a, const Point& b) {
    return (p.x - a.x) * (p.x - b.x) <= rangeTolerance &&
           (p.y - a.y) * (p.y - b.y) <= rangeTolerance;
}

bool between(double value, double a, double b) {
    return std::min(a, b) <= value && value <= std::max(a, b);
}

bool insideInclusive(const Point& p, const Rect& r) {
    return r.x <= p.x && p.x <= r.x + r.width && r.y <= p.y && p.y <= r.y + r.height;
}

}  // namespace

Point getBezierPt(const std::vector<Point>& points, int segment, double t) {
    return Geometry::getBezierPoint(points, segment, t);
}

std::vector<Point> approxBezier(const std::vector<Point>& points, int startIdx, int quality) {
    std::vector<Point> result;
    if (startIdx < 0 || static_cast<size_t>(startIdx) + 3 >= points.size() || quality <= 0)
        return result;
    const Point& p0 = points[startIdx];
    const Point& p1 = points[startIdx + 1];
    const Point& p2 = points[startIdx + 2];
    const Point& p3 = points[startIdx + 3];
    const double step = 1.0 / quality;
    for (double t = 0.0; t <= 1.0; t += step) {
        const double s = 1 - t;
        const double c0 = s * (s * s);
        const double c1 = s * (t * 3 * s);
        const double c2 = s * (t * 3 * t);
        const double c3 = t * t * t;
        result.emplace_back(p3.x * c3 + (p2.x * c2 + (p0.x * c0 + p1.x * c1)),
                            p3.y * c3 + (p2.y * c2 + (p0.y * c0 + p1.y * c1)));
    }
    return result;
}

std::optional<Point> lineIntersect(const Point& m1, const Point& m2, const Point& n1,
                                   const Point& n2) {
    return lineCrossing(m1, m2, n1, n2);
}

bool segmentIntersect(const Point& s1, const Point& s2, const Point& l1, const Point& l2,
                      Point& pt) {
    const std::optional<Point> crossing = lineCrossing(s1, s2, l1, l2);
    if (!crossing) return false;
    pt = *crossing;
    return withinRanges(pt, s1, s2) && withinRanges(pt, l1, l2);
}

void getRectIntr(const Rect& rect, const Point& pt1, const Point& pt2, Point& pt) {
    const double right = rect.x + rect.width;
    const double bottom = rect.y + rect.height;
    // The ranges between pt1 and pt2 are ordered, so that a segment running up or to the left
    // finds the edge it really crosses.
    if (pt1.x == pt2.x) {
        pt = Point(pt1.x, rect.y);
        if (!(rect.x <= pt1.x && pt1.x <= right && between(rect.y, pt1.y, pt2.y)))
            pt = Point(pt1.x, bottom);
        return;
    }
    if (pt1.y == pt2.y) {
        pt = Point(rect.x, pt1.y);
        if (!(rect.y <= pt1.y && pt1.y <= bottom && between(rect.x, pt1.x, pt2.x)))
            pt = Point(right, pt1.y);
        return;
    }
    const LineForm line(pt1, pt2);
    pt = Point((rect.y - line.intercept) / line.slope, rect.y);
    if (rect.x <= pt.x && pt.x <= right && rect.y <= bottom && between(rect.y, pt1.y, pt2.y))
        return;
    pt = Point((bottom - line.intercept) / line.slope, bottom);
    if (rect.x <= pt.x && pt.x <= right && between(bottom, pt1.y, pt2.y)) return;
    pt = Point(rect.x, rect.x * line.slope + line.intercept);
    if (rect.y <= pt.y && pt.y <= bottom && rect.x <= right && between(rect.x, pt1.x, pt2.x))
        return;
    pt = Point(right, right * line.slope + line.intercept);
}

void getEllipseIntr(const Rect& rect, const Point& pt1, const Point& pt2, Point& pt) {
    const double right = rect.x + rect.width;
    const double bottom = rect.y + rect.height;
    const double cx = (rect.x + right) * 0.5;
    const double cy = (rect.y + bottom) * 0.5;
    const double rx = (right - rect.x) * 0.5;
    const double ry = (bottom - rect.y) * 0.5;
    const Rect box(std::min(pt1.x, pt2.x), std::min(pt1.y, pt2.y), std::fabs(pt2.x - pt1.x),
                   std::fabs(pt2.y - pt1.y));
    if (std::fabs(pt1.x - pt2.x) <= 0.0001) {
        const double h = std::sqrt(ry * (ry * (1 - (pt1.x - cx) * (pt1.x - cx) / (rx * rx))));
        pt = Point(pt1.x, cy - h);
        if (!insideInclusive(pt, box)) pt = Point(pt1.x, cy + h);
        return;
    }
    const LineForm line(pt1, pt2);
    const double sm = line.slope;
    const double cm = line.intercept;
    const double k = cm - cy;
    const double a = ry * ry + rx * rx * sm * sm;
    const double b = rx * rx * (2 * sm * k) - ry * (2 * cx * ry);
    const double c = cx * cx * ry * ry + k * k * rx * rx - ry * ry * rx * rx;
    const double d = std::sqrt(b * b - 4 * a * c);
    double x = (d - b) / (2 * a);
    pt = Point(x, cm + sm * x);
    if (insideInclusive(pt, box)) return;
    x = (-b - d) / (2 * a);
    pt = Point(x, cm + sm * x);
}

std::optional<Point> getPolygonIntr(const std::vector<Point>& polygon, const Point& pt1,
                                    const Point& pt2) {
    std::optional<Point> best;
    double bestDistance = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[i + 1 < polygon.size() ? i + 1 : 0];
        const std::optional<Point> crossing = lineCrossing(a, b, pt1, pt2);
        if (!crossing || !withinRanges(*crossing, a, b) || !withinRanges(*crossing, pt1, pt2))
            continue;
        const double d = Geometry::distanceSquared(*crossing, pt2);
        if (!best || d < bestDistance) {
            best = crossing;
            bestDistance = d;
        }
    }
    return best;
}

Rect normalizeRect(const Rect& r) {
    return Geometry::normalizeRectangle(r);
}

bool pointInRect(const Point& p, const Rect& rc) {
    return insideInclusive(p, normalizeRect(rc));
}

void inflate(Rect& r, double size) {
    inflate(r, size, size);
}

void inflate(Rect& r, double sx, double sy) {
    r.x -= sx;
    r.y -= sy;
    r.width += 2 * sx;
    r.height += 2 * sy;
}

std::optional<Rect> unionRects(const std::optional<Rect>& rc1, const std::optional<Rect>& rc2) {
    if (!rc1) return rc2;
    if (!rc2) return rc1;
    const double x = std::min(rc1->x, rc2->x);
    const double y = std::min(rc1->y, rc2->y);
    return Rect(x, y, std::max(rc1->x + rc1->width, rc2->x + rc2->width) - x,
                std::max(rc1->y + rc1->height, rc2->y + rc2->height) - y);
}

}  // namespace nodeloom::Utilities
