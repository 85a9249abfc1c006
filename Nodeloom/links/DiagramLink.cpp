#include "Nodeloom/links/DiagramLink.h"

#include <algorithm>
#include <cmath>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

template <>
std::optional<LinkShape> fromRaw<LinkShape>(int raw) {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<LinkShape>(raw);
}

DiagramLink::CrossingsData::CrossingsData(int segmentCount)
    : segmentCrossings_(static_cast<std::size_t>(std::max(segmentCount, 0))) {}

DiagramLink::DiagramLink() = default;

DiagramLink::~DiagramLink() = default;

void DiagramLink::clipEndsToOutlines() {
    if (controlPoints_.size() < 2) return;
    const auto originEnd = originConnection();
    const auto destinationEnd = destinationConnection();
    const auto from = originEnd->node();
    const auto to = destinationEnd->node();
    const bool fromReal = from && from->isRealNode();
    const bool toReal = to && to->isRealNode();

    if (fromReal && toReal) {
        const Rect overlap = from->bounds().intersect(to->bounds());
        if (overlap.width > 0 && overlap.height > 0) {
            originEnd->alignToNode(startPoint());
            destinationEnd->alignToNode(endPoint());
            return;
        }
    }

    setStartPoint(originEnd->getCenter());
    setEndPoint(destinationEnd->getCenter());
    // Taken before the start is clipped: on a two-point link the clipped start of a node that
    // touches the other one lies on that node's border, and would leave the end at its centre.
    const Point beforeEnd = controlPoints_[controlPoints_.size() - 2];
    // A loose end has no outline to meet: clipping it to the stand-in node's box would pull it
    // to a place that has nothing to do with where the user left it.
    if (fromReal) setStartPoint(from->getIntersection(startPoint(), controlPoints_[1]));
    if (toReal) setEndPoint(to->getIntersection(endPoint(), beforeEnd));
    originEnd->saveRelativePosition();
    destinationEnd->saveRelativePosition();
}

std::shared_ptr<ConnectionPoint> DiagramLink::originConnection() {
    if (!originConnection_) {
        originConnection_ = std::make_shared<VirtualConnectionPoint>(
            std::static_pointer_cast<DiagramLink>(weak_from_this().lock()), false);
    }
    return originConnection_;
}

void DiagramLink::setOriginConnection(std::shared_ptr<ConnectionPoint> connection) {
    originConnection_ = std::move(connection);
}

std::shared_ptr<ConnectionPoint> DiagramLink::destinationConnection() {
    if (!destinationConnection_) {
        destinationConnection_ = std::make_shared<VirtualConnectionPoint>(
            std::static_pointer_cast<DiagramLink>(weak_from_this().lock()), true);
    }
    return destinationConnection_;
}

void DiagramLink::setDestinationConnection(std::shared_ptr<ConnectionPoint> connection) {
    destinationConnection_ = std::move(connection);
}

std::shared_ptr<DiagramNode> DiagramLink::origin() {
    return originConnection()->node();
}

std::shared_ptr<DiagramNode> DiagramLink::destination() {
    return destinationConnection()->node();
}

Point DiagramLink::startPoint() const {
    return controlPoints_.empty() ? Point() : controlPoints_.front();
}

void DiagramLink::setStartPoint(Point point) {
    if (!controlPoints_.empty()) controlPoints_.front() = point;
}

Point DiagramLink::endPoint() const {
    return controlPoints_.empty() ? Point() : controlPoints_.back();
}

void DiagramLink::setEndPoint(Point point) {
    if (!controlPoints_.empty()) controlPoints_.back() = point;
}

Point DiagramLink::center() const {
    const Point a = startPoint();
    const Point b = endPoint();
    return Point((a.x + b.x) / 2, (a.y + b.y) / 2);
}

void DiagramLink::setShape(LinkShape shape) {
    shape_ = shape;
    repaint();
}

int DiagramLink::segmentCount() const {
    const int n = static_cast<int>(controlPoints_.size());
    if (shape_ == LinkShape::bezier) return (n - 1) / 3;
    return n - 1;
}

void DiagramLink::setSegmentCount(int count) {
    constexpr long long maxPoints = 1 << 20;
    if (count < 1 || controlPoints_.empty()) return;
    const long long pointCount =
        shape_ == LinkShape::bezier ? 3LL * count + 1 : static_cast<long long>(count) + 1;
    if (pointCount > maxPoints) return;

    const Point first = controlPoints_.front();
    const Point last = controlPoints_.back();
    const auto n = static_cast<std::size_t>(pointCount);
    const double steps = static_cast<double>(n - 1);
    std::vector<Point> points(n);
    for (std::size_t i = 0; i < n; ++i) {
        points[i] = Point(first.x + static_cast<double>(i) * (last.x - first.x) / steps,
                          first.y + static_cast<double>(i) * (last.y - first.y) / steps);
    }

    if (shape_ == LinkShape::cascading) {
        const double dx = (last.x - first.x) / steps;
        const double dy = (last.y - first.y) / steps;
        cascadeStartHorizontal_ = std::fabs(dy) < std::fabs(dx);
        const int half = count / 2;
        const bool odd = count % 2 == 1;
        const int xDivisor = odd && cascadeStartHorizontal_ ? half + 1 : half;
        const int yDivisor = odd && !cascadeStartHorizontal_ ? half + 1 : half;
        bool horizontal = cascadeStartHorizontal_;
        for (std::size_t i = 1; i < n; ++i) {
            const Point& previous = points[i - 1];
            if (horizontal)
                points[i] = Point(previous.x + (last.x - first.x) / xDivisor, previous.y);
            else
                points[i] = Point(previous.x, previous.y + (last.y - first.y) / yDivisor);
            horizontal = !horizontal;
        }
    }
    controlPoints_ = std::move(points);
}

std::shared_ptr<DiagramItemState> DiagramLink::createState() {
    return std::make_shared<DiagramLinkState>();
}

std::string DiagramLink::getClassId() const {
    return "std:DiagramLink";
}

Metatype<DiagramItem> DiagramLink::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<DiagramLink>(); }, getClassId());
}

Rect DiagramLink::getBounds() {
    if (controlPoints_.empty()) return Rect();
    double left = controlPoints_.front().x, right = left;
    double top = controlPoints_.front().y, bottom = top;
    for (const Point& p : controlPoints_) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    Rect r(left, top, right - left, bottom - top);
    const double thickness = strokeThickness();
    if (thickness > 0) r.inflate(thickness, thickness);
    return r;
}

Rect DiagramLink::getBoundingRect() {
    return getBounds();
}

bool DiagramLink::cachesLinkCrossings() const {
    return true;
}

}  // namespace nodeloom
