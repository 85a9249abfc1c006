#include "Nodeloom/foundation/Geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace nodeloom::Geometry {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double largest = std::numeric_limits<double>::max();

double dot(const Point& a, const Point& b) {
    return a.x * b.x + a.y * b.y;
}

}  // namespace

double distance(const Point& p1, const Point& p2) {
    return std::sqrt(distanceSquared(p1, p2));
}

double distance(const Point& p, double x, double y) {
    return distance(p, Point(x, y));
}

double distanceSquared(const Point& p1, const Point& p2) {
    const double dx = p1.x - p2.x;
    const double dy = p1.y - p2.y;
    return dx * dx + dy * dy;
}

double distanceSquared(const Point& p, double x, double y) {
    return distanceSquared(p, Point(x, y));
}

double radians(double degrees) {
    return degrees * pi / 180;
}

double degrees(double radians) {
    return radians * 180 / pi;
}

Rect normalizeRectangle(const Rect& r) {
    Rect n = r;
    if (n.width < 0) {
        n.x += n.width;
        n.width = -n.width;
    }
    if (n.height < 0) {
        n.y += n.height;
        n.height = -n.height;
    }
    return n;
}

Point calculateRelativePercentPosition(const Rect& r, const Point& pos) {
    return Point((pos.x - r.x) * 100 / r.width, (pos.y - r.y) * 100 / r.height);
}

void cartesianToPolar(const Point& center, const Point& point, double& a, double& r) {
    if (point == center) {
        a = 0;
        r = 0;
        return;
    }
    const double dx = point.x - center.x;
    const double dy = point.y - center.y;
    r = std::sqrt(dx * dx + dy * dy);
    a = std::atan(-dy / dx) * 180 / pi;
    if (dx < 0) a += 180;
}

void polarToCartesian(const Point& center, double a, double r, Point& point) {
    if (std::fabs(r) < 0.000001) {
        point = center;
        return;
    }
    point = Point(center.x + std::cos(a * pi / 180) * r, center.y - std::sin(a * pi / 180) * r);
}

Point getBezierPoint(const std::vector<Point>& points, int segment, double t) {
    if (segment < 0 || 3 * static_cast<size_t>(segment) + 3 >= points.size()) return Point();
    const size_t k = 3 * static_cast<size_t>(segment);
    const Point& p0 = points[k];
    const Point& p1 = points[k + 1];
    const Point& p2 = points[k + 2];
    const Point& p3 = points[k + 3];
    const double s = 1 - t;
    const double c0 = s * (s * s);
    const double c1 = s * (t * 3 * s);
    const double c2 = s * (t * 3 * t);
    const double c3 = t * t * t;
    return Point(p0.x * c0 + p1.x * c1 + p2.x * c2 + p3.x * c3,
                 p0.y * c0 + p1.y * c1 + p2.y * c2 + p3.y * c3);
}

Point lineIntersectNaN(const Point& m1, const Point& m2, const Point& n1, const Point& n2) {
    const bool mVertical = m1.x == m2.x;
    const bool nVertical = n1.x == n2.x;
    if (mVertical && nVertical) {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        return Point(nan, nan);
    }
    double sm = 0, cm = 0, sn = 0, cn = 0;
    if (!mVertical) {
        sm = (m1.y - m2.y) / (m1.x - m2.x);
        cm = (m1.x * m2.y - m1.y * m2.x) / (m1.x - m2.x);
    }
    if (!nVertical) {
        sn = (n1.y - n2.y) / (n1.x - n2.x);
        cn = (n1.x * n2.y - n1.y * n2.x) / (n1.x - n2.x);
    }
    if (mVertical) return Point(m1.x, m1.x * sn + cn);
    if (nVertical) return Point(n1.x, n1.x * sm + cm);
    const double e = cn - cm;
    const double g = sm - sn;
    return Point(e / g, cm + sm * e / g);
}

Point distancePoint(const Point& p, const Point& a, const Point& b) {
    if (a == b) return a;
    const Point ab = b - a;
    if (dot(p - a, ab) < 0) return a;
    if (dot(b - p, ab) < 0) return b;
    const Point q(p.x + (a.y - b.y), p.y - (a.x - b.x));
    return lineIntersectNaN(a, b, p, q);
}

double distanceToLineSegment(const Point& p, const Point& p1, const Point& p2) {
    return distance(p, distancePoint(p, p1, p2));
}

double distanceToPolyline(const Point& p, const std::vector<Point>& points) {
    double result = largest;
    for (size_t i = 0; i + 1 < points.size(); ++i)
        result = std::min(result, distanceToLineSegment(p, points[i], points[i + 1]));
    return result;
}

namespace {

// One cubic in the parameter u = 2t - 1, as a polynomial Q(u) = ((A·u + B)·u + C)·u + D.
struct CubicPiece {
    Point a, b, c, d;

    CubicPiece(const Point& p0, const Point& p1, const Point& p2, const Point& p3) {
        a = Point(((p1.x - p2.x) * 3 + (p3.x - p0.x)) * 0.125,
                  ((p1.y - p2.y) * 3 + (p3.y - p0.y)) * 0.125);
        b = Point((p0.x + p3.x - p1.x - p2.x) * 3 * 0.125, (p0.y + p3.y - p1.y - p2.y) * 3 * 0.125);
        c = Point((p3.x - p0.x) * 0.5 - a.x, (p3.y - p0.y) * 0.5 - a.y);
        d = Point((p0.x + p3.x) * 0.5 - b.x, (p0.y + p3.y) * 0.5 - b.y);
    }

    Point at(double u) const {
        return Point(((a.x * u + b.x) * u + c.x) * u + d.x, ((a.y * u + b.y) * u + c.y) * u + d.y);
    }
    Point derivative(double u) const {
        return Point((2 * b.x + a.x * 3 * u) * u + c.x, (2 * b.y + a.y * 3 * u) * u + c.y);
    }
};

double distanceToCubic(const Point& p, const CubicPiece& piece) {
    constexpr double tolerance = 0.00001;
    constexpr double step = 2.0 / 9.0;
    auto squared = [&](double u) {
        const Point d = piece.at(u) - p;
        return dot(d, d);
    };
    auto slope = [&](double u) { return dot(piece.at(u) - p, piece.derivative(u)); };

    // Coarse scan over ten samples.
    double bestS = 0, bestU = 0, bestF = 0;
    bool first = true;
    for (double u = -1.0; u < 1.0; u += step) {
        const double s = squared(u);
        if (s < tolerance) return std::sqrt(s);
        if (first || s < bestS) {
            first = false;
            bestS = s;
            bestU = u;
            bestF = slope(u);
        }
    }

    // Secant refinement on the slope of the squared distance.
    double uPrev = bestU;
    double fPrev = bestF;
    double u = uPrev + step;
    if (u > 1.0) u = 7.0 / 9.0;
    double s = 0;
    for (int evaluation = 1; evaluation <= 20; ++evaluation) {
        s = squared(u);
        if (s < tolerance) break;
        const double f = slope(u);
        if (std::fabs(f) < tolerance) break;
        double next = std::fabs(f - fPrev) > tolerance ? (uPrev * f - fPrev * u) / (f - fPrev)
                                                       : (uPrev + u) * 0.5;
        next = std::clamp(next, -1.0, 1.0);
        // A not-a-number step ends the search instead of wandering.
        if (!(std::fabs(next - u) >= tolerance) || evaluation == 20) break;
        uPrev = u;
        fPrev = f;
        u = next;
    }
    return std::sqrt(s);
}

}  // namespace

double distanceToBezier(const Point& p, const std::vector<Point>& bezierPoints) {
    double result = largest;
    if (bezierPoints.size() < 3) return result;
    for (size_t k = 0; 3 * k + 3 < bezierPoints.size(); ++k) {
        const CubicPiece piece(bezierPoints[3 * k], bezierPoints[3 * k + 1],
                               bezierPoints[3 * k + 2], bezierPoints[3 * k + 3]);
        result = std::min(result, distanceToCubic(p, piece));
        if (result == 0) return 0;
    }
    return result;
}

}  // namespace nodeloom::Geometry
