#include "Nodeloom/links/LinkShapeImpl.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <optional>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/GraphicsPath.h"
#include "Nodeloom/links/BezierShapeImpl.h"
#include "Nodeloom/links/CascadingShapeImpl.h"
#include "Nodeloom/links/CrossingsData.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/PolylineShapeImpl.h"
#include "Nodeloom/links/SplineShapeImpl.h"

namespace nodeloom {

namespace {

constexpr double kPi = std::numbers::pi;
// Pieces this short (|dx| + |dy|) add nothing to a collected path.
constexpr double kTinyPiece = 0.1;

double degrees(double radians) {
    return radians * 180.0 / kPi;
}

double radians(double degrees) {
    return degrees * kPi / 180.0;
}

double manhattan(const Point& a, const Point& b) {
    return std::fabs(a.x - b.x) + std::fabs(a.y - b.y);
}

std::shared_ptr<Brush> transparentBrush() {
    return std::make_shared<SolidColorBrush>(Colors::Transparent());
}

// Where the straight pieces and arcs of a link line go: stroked one by one on the canvas, or, for
// a thick line, collected into one path that is stroked at the end so that the pieces join
// cleanly. Arcs use the canvas's angles (degrees, growing clockwise on the screen).
class PieceSink {
public:
    PieceSink(Canvas& canvas, bool collect) : canvas_(canvas), collect_(collect) {}

    void line(const Point& p, const Point& q) {
        if (!collect_) {
            canvas_.drawLine(p, q);
            return;
        }
        if (manhattan(p, q) <= kTinyPiece) return;
        continueAt(p);
        path_.addLine(pathEmpty_ ? p : end_, q);
        pathEmpty_ = false;
        end_ = q;
    }

    void arc(const Point& center, double r, double start, double sweep) {
        const Rect square(center.x - r, center.y - r, 2 * r, 2 * r);
        if (!collect_) {
            canvas_.drawArc(square, start, sweep);
            return;
        }
        if (!(square.width > 0.001 && square.height > 0.001)) return;
        const Point from = pointAt(center, r, start);
        continueAt(from);
        // The path is entered at the arc's start, and each quarter follows the sweep's own
        // direction, so that the path runs on from where the arc ends.
        if (pathEmpty_) path_.addLine(from, from);
        const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / 90.0 - 1e-9)));
        const double step = sweep / pieces;
        for (int k = 0; k < pieces; ++k) {
            const double a0 = start + step * k;
            const double a1 = a0 + step;
            const double t = 4.0 / 3.0 * std::tan(radians(step) / 4.0) * r;
            const Point p0 = pointAt(center, r, a0);
            const Point p3 = pointAt(center, r, a1);
            const Point p1(p0.x - t * std::sin(radians(a0)), p0.y + t * std::cos(radians(a0)));
            const Point p2(p3.x + t * std::sin(radians(a1)), p3.y - t * std::cos(radians(a1)));
            path_.addBezier({p0, p1, p2, p3});
        }
        pathEmpty_ = false;
        end_ = pointAt(center, r, start + sweep);
    }

    // A gap in the line: the path so far is finished and a new figure begins.
    void gap() {
        if (collect_) flush();
    }

    void finish() {
        if (collect_) flush();
    }

    static Point pointAt(const Point& center, double r, double angle) {
        return Point(center.x + r * std::cos(radians(angle)),
                     center.y + r * std::sin(radians(angle)));
    }

private:
    // A piece that does not start where the path ends begins a new figure.
    void continueAt(const Point& p) {
        if (!pathEmpty_ && manhattan(p, end_) > kTinyPiece + 1e-9) flush();
    }

    void flush() {
        if (pathEmpty_) return;
        canvas_.setBrush(transparentBrush());
        path_.addToCanvas(canvas_);
        canvas_.pathDraw();
        path_ = GraphicsPath();
        pathEmpty_ = true;
    }

    Canvas& canvas_;
    bool collect_;
    GraphicsPath path_;
    bool pathEmpty_ = true;
    Point end_;
};

// Draws from `from` towards the corner at `corner` and rounds the corner towards `next` with an
// arc that touches both segments (prev-corner and corner-next), no farther from the corner than a
// third of the shorter segment and than 10; answers where the arc ends. A corner with no length
// on either side, or none at all, stays sharp and answers the corner.
Point roundCorner(PieceSink& sink, const Point& from, const Point& prev, const Point& corner,
                  const Point& next, double radius) {
    const double l1 = prev.distance(corner);
    const double l2 = next.distance(corner);
    const auto sharp = [&] {
        sink.line(from, corner);
        return corner;
    };
    if (!(radius >= 1e-5) || manhattan(prev, corner) < 1e-5 || manhattan(corner, next) < 1e-5)
        return sharp();
    const double u1x = (prev.x - corner.x) / l1, u1y = (prev.y - corner.y) / l1;
    const double u2x = (next.x - corner.x) / l2, u2y = (next.y - corner.y) / l2;
    const double theta = degrees(std::acos(std::clamp(u1x * u2x + u1y * u2y, -1.0, 1.0)));
    if (!(theta > 1e-9 && theta < 180 - 1e-9)) return sharp();
    const double a = radians(theta / 2);
    double d = radius * std::cos(a) / std::sin(a);
    double r = radius;
    const double limit = std::min(std::min(l1, l2) / 3.0, 10.0);
    if (d > limit) {
        d = limit;
        r = d * std::sin(a) / std::cos(a);
    }
    const Point t1(corner.x + u1x * d, corner.y + u1y * d);
    const Point t2(corner.x + u2x * d, corner.y + u2y * d);
    double bx = u1x + u2x, by = u1y + u2y;
    const double bl = std::hypot(bx, by);
    if (!(bl > 0) || !std::isfinite(d) || !std::isfinite(r)) return sharp();
    bx /= bl;
    by /= bl;
    const double reach = std::sqrt(d * d + r * r);
    const Point center(corner.x + bx * reach, corner.y + by * reach);
    const double start = degrees(std::atan2(t1.y - center.y, t1.x - center.x));
    double sweep = degrees(std::atan2(t2.y - center.y, t2.x - center.x)) - start;
    while (sweep > 180)
        sweep -= 360;
    while (sweep <= -180)
        sweep += 360;
    sink.line(from, t1);
    sink.arc(center, r, start, sweep);
    return t2;
}

Point roundedPolyline(PieceSink& sink, const std::vector<Point>& points, double radius) {
    if (points.empty()) return Point();
    if (points.size() < 3 || !(radius >= 1e-5)) {
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            sink.line(points[i], points[i + 1]);
        return points.back();
    }
    Point current = points[0];
    for (std::size_t i = 1; i + 1 < points.size(); ++i)
        current = roundCorner(sink, current, points[i - 1], points[i], points[i + 1], radius);
    sink.line(current, points.back());
    return points.back();
}

// A bridge from p to q of the given radius, rising to the upper side of the piece on the screen
// (to the right of a vertical one): a quarter circle up from p, a straight top, a quarter circle
// down to q.
void bridge(PieceSink& sink, const Point& p, const Point& q, double r) {
    const double dx = q.x - p.x, dy = q.y - p.y;
    double theta = 0;
    if (!(p == q)) {
        theta = degrees(std::atan(-dy / dx));
        if (dx < 0) theta += 180;
    }
    const double length = p.distance(q);
    const double cx = std::cos(radians(theta)), cy = -std::sin(radians(theta));
    const auto along = [&](double distance) {
        if (std::fabs(distance) < 1e-6) return p;
        return Point(p.x + distance * cx, p.y + distance * cy);
    };
    const Point c1 = along(r);
    const Point c2 = along(length - r);
    const double phi = theta < 90 ? theta + 90 : theta - 90;
    const Point top1(c1.x + r * std::cos(radians(phi)), c1.y - r * std::sin(radians(phi)));
    const Point top2(c2.x + r * std::cos(radians(phi)), c2.y - r * std::sin(radians(phi)));
    if (theta < 90) {
        sink.arc(c1, r, -theta - 180, 90);
        sink.line(top1, top2);
        sink.arc(c2, r, -theta - 90, 90);
    } else {
        sink.arc(c1, r, 180 - theta, -90);
        sink.line(top1, top2);
        sink.arc(c2, r, 90 - theta, -90);
    }
}

double millimetreIn(const DiagramLink& link) {
    const std::shared_ptr<Diagram> d = link.diagram();
    if (!d || !d->measureUnit()) return 1.0;
    const double mm = MeasureUnit::Millimeter()->convert(1.0, *d->measureUnit());
    return std::isfinite(mm) && mm > 0 ? mm : 1.0;
}

// The link's line segment by segment along its cached crossings: straight pieces, then a bridge
// or a gap at every crossing; with rounded links the last straight piece of a segment turns into
// the next segment through an arc.
void drawCrossingPieces(DiagramLink& link, const std::vector<Point>& points, Canvas& canvas,
                        double unitPx) {
    const std::shared_ptr<Diagram> d = link.diagram();
    const bool cut = d->linkCrossings() == LinkCrossings::cut;
    const bool rounded = d->roundedLinks();
    const double radius = d->roundedLinksRadius();
    const std::shared_ptr<DiagramLink::CrossingsData> data = link.computeCrossings();
    const auto& lists = data->segmentCrossings();
    static const std::vector<Crossing> none;

    PieceSink sink(canvas, link.getEffectiveStrokeThickness() > unitPx);
    const std::size_t segments = points.size() - 1;
    std::optional<Point> carry;
    for (std::size_t i = 0; i < segments; ++i) {
        const std::vector<Crossing>& list = i < lists.size() ? lists[i] : none;
        if (list.empty()) {
            // A segment of no length has nothing to draw, and a corner rounded past it goes on.
            if (points[i] == points[i + 1]) continue;
            sink.line(carry ? *carry : points[i], points[i + 1]);
            carry.reset();
            continue;
        }
        for (std::size_t k = 0; k + 1 < list.size(); ++k) {
            Point p = list[k].location;
            const Point q = list[k + 1].location;
            if (k == 0 && carry) {
                p = *carry;
                carry.reset();
            }
            if (k % 2 == 1) {
                if (cut)
                    sink.gap();
                else
                    bridge(sink, p, q, list[k].radius);
                continue;
            }
            const bool lastStraight = k + 2 == list.size();
            if (rounded && lastStraight && i + 1 < segments) {
                std::optional<Point> far;
                for (std::size_t j = i + 2; j < points.size() && !far; ++j) {
                    if (manhattan(points[j], q) < 1e-5) continue;
                    const std::size_t ending = j - 1;
                    if (ending < lists.size() && lists[ending].size() > 2)
                        far = lists[ending][1].location;
                    else
                        far = points[j];
                }
                if (far) {
                    carry = roundCorner(sink, p, p, q, *far, radius);
                    continue;
                }
            }
            sink.line(p, q);
        }
    }
    sink.finish();
}

}  // namespace

LinkShapeImpl::~LinkShapeImpl() = default;

std::shared_ptr<LinkShapeImpl> LinkShapeImpl::forShape(LinkShape shape) {
    switch (shape) {
        case LinkShape::bezier:
            return BezierShapeImpl::instance();
        case LinkShape::cascading:
            return CascadingShapeImpl::instance();
        case LinkShape::spline:
            return SplineShapeImpl::instance();
        case LinkShape::polyline:
            break;
    }
    return PolylineShapeImpl::instance();
}

void LinkShapeImpl::initPoints(DiagramLink&, Point, Point) {}

void LinkShapeImpl::onControlPointMoved(DiagramLink&, Point, int, const DiagramLinkState&) {}

bool LinkShapeImpl::pointsAreValid(DiagramLink&) {
    return true;
}

void LinkShapeImpl::adjustAfterEndsMoved(DiagramLink&) {}

void LinkShapeImpl::onPointsApplied(DiagramLink&) {}

void LinkShapeImpl::draw(DiagramLink& link, const std::vector<Point>& points, Canvas& canvas) {
    if (points.size() < 2) return;
    const std::shared_ptr<Diagram> d = link.diagram();
    const double unitPx = millimetreIn(link) / 3.0;
    if (link.drawCrossings() && d && d->linkCrossings() != LinkCrossings::straight) {
        drawCrossingPieces(link, points, canvas, unitPx);
    } else if (d && d->roundedLinks()) {
        drawRoundedPolyline(canvas, points, d->roundedLinksRadius(),
                            link.getEffectiveStrokeThickness(), unitPx);
    } else {
        canvas.drawLines(points);
    }
}

void LinkShapeImpl::drawIntermediateShapes(Canvas& canvas, const std::shared_ptr<Shape>& shape,
                                           double size, DiagramLink&,
                                           const std::vector<Point>& points, int segment) {
    if (segment < 0 || static_cast<std::size_t>(segment) + 1 >= points.size()) return;
    const Point& from = points[static_cast<std::size_t>(segment)];
    const Point& to = points[static_cast<std::size_t>(segment) + 1];
    DiagramLink::drawShapeAlongSegment(canvas, shape, from.middle(to), from, size);
}

Point LinkShapeImpl::drawRoundedPolyline(Canvas& canvas, const std::vector<Point>& points,
                                         double radius, double thickness, double unitPx) {
    canvas.setBrush(transparentBrush());
    PieceSink sink(canvas, thickness > unitPx);
    const Point last = roundedPolyline(sink, points, radius);
    sink.finish();
    return last;
}

}  // namespace nodeloom
