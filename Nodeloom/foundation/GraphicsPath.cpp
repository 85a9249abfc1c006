#include "Nodeloom/foundation/GraphicsPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Utilities.h"

namespace nodeloom {

namespace {

// More turns than any arc needs; keeps a huge sweep from stalling.
constexpr double kMaxArcSpan = 3600.0;
// Finer than any outline needs; keeps a huge error value from exhausting memory.
constexpr double kMaxQuality = 10000.0;

Point ellipsePoint(const Rect& r, double degrees) {
    const double t = degrees * std::numbers::pi / 180.0;
    const double rx = r.width / 2;
    const double ry = r.height / 2;
    return Point(r.x + rx + rx * std::cos(t), r.y + ry + ry * std::sin(t));
}

}  // namespace

void GraphicsPathLine::addToCanvas(Canvas& canvas, bool first) {
    if (first) canvas.pathMoveTo(p1_);
    canvas.pathLineTo(p2_);
}

void GraphicsPathArc::addToCanvas(Canvas& canvas, bool) {
    canvas.pathArcTo(rect_, startAngle_, sweepAngle_);
}

void GraphicsPathBezier::addToCanvas(Canvas& canvas, bool) {
    if (points_.size() < 4) return;
    canvas.pathBezierTo(points_[1], points_[2], points_[3]);
}

void GraphicsPath::addLine(const Point& p1, const Point& p2) {
    shapes_.push_back(std::make_shared<GraphicsPathLine>(p1, p2));
}

void GraphicsPath::addRect(const Rect& r) {
    const Point tl(r.x, r.y), tr(r.x + r.width, r.y), br(r.x + r.width, r.y + r.height),
        bl(r.x, r.y + r.height);
    addLine(tl, tr);
    addLine(tr, br);
    addLine(br, bl);
    addLine(bl, tl);
}

void GraphicsPath::addArc(const Rect& rect, double startAngle, double sweepAngle) {
    shapes_.push_back(std::make_shared<GraphicsPathArc>(rect, startAngle, sweepAngle));
}

void GraphicsPath::addBezier(const std::vector<Point>& points) {
    shapes_.push_back(std::make_shared<GraphicsPathBezier>(points));
}

void GraphicsPath::addToCanvas(Canvas& canvas) {
    canvas.pathStart();
    for (std::size_t i = 0; i < shapes_.size(); ++i) {
        if (shapes_[i]) shapes_[i]->addToCanvas(canvas, i == 0);
    }
}

void GraphicsPath::flatten(const Matrix& matrix) {
    flatten(matrix, 10.0);
}

void GraphicsPath::flatten(const Matrix& matrix, double error) {
    transform(matrix);
    if (shapes_.empty()) return;
    // An error below one (or not a number) still gives one line per bezier.
    const int quality =
        static_cast<int>(std::isfinite(error) ? std::clamp(std::trunc(error), 1.0, kMaxQuality)
                                              : (error > 0 ? kMaxQuality : 1.0));
    Pieces flat;
    flat.reserve(shapes_.size());
    for (const auto& piece : shapes_) {
        if (!piece) continue;
        if (dynamic_cast<GraphicsPathLine*>(piece.get()) != nullptr) {
            flat.push_back(piece);
        } else if (auto* arc = dynamic_cast<GraphicsPathArc*>(piece.get())) {
            const double a = arc->startAngle();
            const double lo = std::min(a, a + arc->sweepAngle());
            const double span = std::max(a, a + arc->sweepAngle()) - lo;
            if (!std::isfinite(span) || span < 1.0) continue;
            const long steps = static_cast<long>(std::floor(std::min(span, kMaxArcSpan) + 1e-9));
            Point prev = ellipsePoint(arc->rect(), lo);
            for (long k = 1; k <= steps; ++k) {
                const Point next = ellipsePoint(arc->rect(), lo + static_cast<double>(k));
                flat.push_back(std::make_shared<GraphicsPathLine>(prev, next));
                prev = next;
            }
        } else if (auto* bezier = dynamic_cast<GraphicsPathBezier*>(piece.get())) {
            if (bezier->points().size() < 4) continue;
            const std::vector<Point> samples =
                Utilities::approxBezier(bezier->points(), 0, quality);
            for (std::size_t i = 1; i < samples.size(); ++i) {
                flat.push_back(std::make_shared<GraphicsPathLine>(samples[i - 1], samples[i]));
            }
        }
    }
    shapes_ = std::move(flat);
}

std::vector<Point> GraphicsPath::getPoints() const {
    std::vector<Point> points;
    points.reserve(shapes_.size() + 1);
    for (const auto& piece : shapes_) {
        const auto* line = dynamic_cast<const GraphicsPathLine*>(piece.get());
        if (line == nullptr) continue;
        if (points.empty() || !(points.back() == line->p1())) points.push_back(line->p1());
        if (!(line->p2() == line->p1())) points.push_back(line->p2());
    }
    return points;
}

void GraphicsPath::transform(const Matrix& matrix) {
    for (const auto& piece : shapes_) {
        if (auto* line = dynamic_cast<GraphicsPathLine*>(piece.get())) {
            line->setP1(matrix.transform(line->p1()));
            line->setP2(matrix.transform(line->p2()));
        } else if (auto* arc = dynamic_cast<GraphicsPathArc*>(piece.get())) {
            arc->setRect(matrix.transform(arc->rect()));
        } else if (auto* bezier = dynamic_cast<GraphicsPathBezier*>(piece.get())) {
            matrix.transform(bezier->points());
        }
    }
}

void GraphicsPath::startFigure() {}

}  // namespace nodeloom
