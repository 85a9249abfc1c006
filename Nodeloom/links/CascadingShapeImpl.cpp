#include "Nodeloom/links/CascadingShapeImpl.h"

#include <cmath>
#include <cstddef>
#include <vector>

#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

namespace {

std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

}  // namespace

std::shared_ptr<CascadingShapeImpl> CascadingShapeImpl::instance() {
    struct Shared : CascadingShapeImpl {};
    static const std::shared_ptr<CascadingShapeImpl> shared = std::make_shared<Shared>();
    return shared;
}

bool CascadingShapeImpl::isHorizontalSegment(int index, bool startHorizontal) {
    const bool even = index % 2 == 0;
    return even == startHorizontal;
}

void CascadingShapeImpl::initPoints(DiagramLink& link, Point start, Point end) {
    if (link.controlPoints().size() <= 2) link.setControlPoints({start, start, end, end});
    distribute(link, start, end);
}

void CascadingShapeImpl::distribute(DiagramLink& link, Point p1, Point p2) {
    const double dx = std::fabs(p1.x - p2.x);
    const double dy = std::fabs(p1.y - p2.y);
    const bool horizontalFirst = dy < dx;

    std::vector<Point> pts = link.controlPoints();
    const int n = static_cast<int>(pts.size());
    if (n >= 2) {
        if (n > 2) {
            const double spanX = p2.x - p1.x;
            const double spanY = p2.y - p1.y;
            // The steps along the first axis and along the other use different divisors, so the
            // walk rarely lands on the end by itself; the last inner point is squared below.
            const double along = n * 0.5;
            const double across = (n - 1) * 0.5;
            for (int i = 1; i <= n - 2; ++i) {
                const Point& previous = pts[at(i - 1)];
                const bool firstAxis = i % 2 == 1;
                const bool stepX = firstAxis == horizontalFirst;
                const double divisor = firstAxis ? along : across;
                pts[at(i)] = stepX ? Point(previous.x + spanX / divisor, previous.y)
                                   : Point(previous.x, previous.y + spanY / divisor);
            }
        }
        Point& beforeLast = pts[at(n - 2)];
        const Point& last = pts[at(n - 1)];
        const bool lastAlongFirstAxis = (n - 2) % 2 == 0;
        // Horizontal exactly when it runs along the first axis of a horizontal-first link, or
        // along the other axis of a vertical-first one.
        if (lastAlongFirstAxis == horizontalFirst)
            beforeLast.y = last.y;
        else
            beforeLast.x = last.x;
    }
    link.setCascadeStartHorizontal(horizontalFirst);
    link.setControlPoints(std::move(pts));
}

void CascadingShapeImpl::onControlPointMoved(DiagramLink& link, Point, int index,
                                             const DiagramLinkState&) {
    const int n = static_cast<int>(link.controlPoints().size());
    if (n <= 2 || index < 0 || index >= n) return;
    if (index == 0 || index == n - 1) {
        const Point start = link.startPoint();
        const Point end = link.endPoint();
        const double dx = std::fabs(end.x - start.x);
        const double dy = std::fabs(end.y - start.y);
        const bool horizontal = link.cascadeStartHorizontal();
        if ((horizontal && dx < dy) || (!horizontal && dy < dx)) {
            link.setCascadeStartHorizontal(dy < dx);
            distribute(link, start, end);
            return;
        }
    }
    keepOrthogonal(link, index);
}

void CascadingShapeImpl::keepOrthogonal(DiagramLink& link, int k) {
    std::vector<Point> pts = link.controlPoints();
    const int n = static_cast<int>(pts.size());
    // The segments on both sides of a point always run different ways, so the one after the
    // point decides both.
    if (isHorizontalSegment(k, link.cascadeStartHorizontal())) {
        if (k == 1) pts[1].x = pts[0].x;
        if (k + 1 == n - 1) pts[at(k)].y = pts[at(n - 1)].y;
        if (k - 1 >= 0) pts[at(k - 1)].x = pts[at(k)].x;
        if (k + 1 < n) pts[at(k + 1)].y = pts[at(k)].y;
    } else {
        if (k == 1) pts[1].y = pts[0].y;
        if (k + 1 == n - 1) pts[at(k)].x = pts[at(n - 1)].x;
        if (k - 1 >= 0) pts[at(k - 1)].y = pts[at(k)].y;
        if (k + 1 < n) pts[at(k + 1)].x = pts[at(k)].x;
    }
    link.setControlPoints(std::move(pts));
}

bool CascadingShapeImpl::pointsAreValid(DiagramLink& link) {
    const std::vector<Point>& p = link.controlPoints();
    if (p.size() < 3) return false;
    return (p[0].x == p[1].x || p[0].y == p[1].y) && (p[1].x == p[2].x || p[1].y == p[2].y);
}

void CascadingShapeImpl::adjustAfterEndsMoved(DiagramLink& link) {
    std::vector<Point> pts = link.controlPoints();
    const int n = static_cast<int>(pts.size());
    if (n < 2) return;
    const bool horizontal = link.cascadeStartHorizontal();
    if (horizontal)
        pts[1].y = pts[0].y;
    else
        pts[1].x = pts[0].x;
    if (isHorizontalSegment(n - 2, horizontal))
        pts[at(n - 2)].y = pts[at(n - 1)].y;
    else
        pts[at(n - 2)].x = pts[at(n - 1)].x;
    link.setControlPoints(std::move(pts));
}

void CascadingShapeImpl::onPointsApplied(DiagramLink& link) {
    const std::vector<Point>& p = link.controlPoints();
    if (p.size() < 2) return;
    link.setCascadeStartHorizontal(p[0].y == p[1].y);
}

}  // namespace nodeloom
