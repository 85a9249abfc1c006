#include "Nodeloom/links/DiagramLink.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>
#include <unordered_set>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/DashStyle.h"
#include "Nodeloom/foundation/Geometry.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/Utilities.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/CascadingShapeImpl.h"
#include "Nodeloom/links/CrossingsData.h"
#include "Nodeloom/links/LinkLabel.h"
#include "Nodeloom/links/LinkShapeImpl.h"
#include "Nodeloom/platform/TextEngine.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/SquareHandlesImpl.h"

namespace nodeloom {


namespace {

constexpr int kBezierQuality = 30;
constexpr int kIntersectSteps = 10;
constexpr double kDistinct = 1e-5;

bool distinct(const Point& a, const Point& b) {
    return std::fabs(a.x - b.x) >= kDistinct || std::fabs(a.y - b.y) >= kDistinct;
}

bool insideInclusive(const Point& p, const Rect& r) {
    return p.x >= r.x && p.x <= r.x + r.width && p.y >= r.y && p.y <= r.y + r.height;
}

}  // namespace

// --- Points and geometry -------------------------------------------------------------------

void DiagramLink::applyPoints(const std::optional<std::vector<Point>>& points, double dx, double dy,
                              bool clipEnds, bool keepShape) {
    if (!points) {
        if (controlPoints_.empty()) return;
        setShape(LinkShape::polyline);
        setControlPoints({startPoint(), endPoint()});
        clipEndsToOutlines();
        updateFromPoints();
        return;
    }
    if (points->size() < 2 || !isFinite(dx) || !isFinite(dy)) return;
    std::vector<Point> moved;
    moved.reserve(points->size());
    for (const Point& p : *points) {
        const Point q(p.x + dx, p.y + dy);
        if (!isFinite(q)) return;
        moved.push_back(q);
    }
    setControlPoints(std::move(moved));
    if (clipEnds) {
        clipEndsToOutlines();
        updateFromPoints();
    }
    if (!keepShape) shapeImpl()->onPointsApplied(*this);
}

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

void DiagramLink::alignPoints() {
    if (shape_ != LinkShape::polyline || controlPoints_.size() < 3) return;
    hitAreaChanged();
    const std::size_t n = controlPoints_.size() - 1;
    const Point start = startPoint();
    const Point end = endPoint();
    for (std::size_t i = 1; i < n; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(n);
        controlPoints_[i] = Point(start.x + t * (end.x - start.x), start.y + t * (end.y - start.y));
    }
}

void DiagramLink::translateInnerPoints(double dx, double dy) {
    if (!isFinite(dx) || !isFinite(dy) || controlPoints_.size() < 3) return;
    hitAreaChanged();
    for (std::size_t i = 1; i + 1 < controlPoints_.size(); ++i) {
        controlPoints_[i].x -= dx;
        controlPoints_[i].y -= dy;
    }
}

void DiagramLink::updateEndsFromConnections() {
    if (controlPoints_.empty()) return;
    setStartPoint(originConnection()->positionFromNode());
    setEndPoint(destinationConnection()->positionFromNode());
    shapeImpl()->adjustAfterEndsMoved(*this);
}

void DiagramLink::setControlPoints(std::vector<Point> points) {
    // Such a point would be saved as a word that reads back as 0.
    if (!std::all_of(points.begin(), points.end(), [](const Point& p) { return isFinite(p); }))
        return;
    controlPoints_ = std::move(points);
    hitAreaChanged();
}

void DiagramLink::setControlPoint(std::size_t index, Point point) {
    if (index >= controlPoints_.size() || !isFinite(point)) return;
    controlPoints_[index] = point;
    hitAreaChanged();
    // An end put somewhere is where it now sits on its node: the next move of the node takes it
    // from there, as it does in the same document read back from a file, which knows only the
    // points.
    if (index == 0) originConnection()->saveRelativePosition();
    if (index + 1 == controlPoints_.size()) destinationConnection()->saveRelativePosition();
}

void DiagramLink::setLabels(std::vector<std::shared_ptr<LinkLabel>> labels) {
    // A label listed twice would be drawn and saved twice, and read back as two.
    std::unordered_set<const LinkLabel*> held;
    std::vector<std::shared_ptr<LinkLabel>> list;
    list.reserve(labels.size());
    for (auto& label : labels) {
        if (label && !held.insert(label.get()).second) continue;
        list.push_back(std::move(label));
    }
    // A label let go of no longer names this link, so that nothing finds it through the link.
    const std::vector<std::shared_ptr<LinkLabel>> old = std::move(labels_);
    labels_ = std::move(list);
    for (const auto& label : old) {
        if (label && held.count(label.get()) == 0 && label->link().get() == this)
            label->attachTo(nullptr);
    }
    hitAreaChanged();
    // A label tells only its own link of its changes.
    const std::shared_ptr<DiagramLink> link = self();
    if (!link) return;
    for (const auto& label : labels_) {
        if (label && label->link() != link) takeLabel(*label, link);
    }
}

void DiagramLink::addLabel(std::shared_ptr<LinkLabel> label) {
    if (!label) return;
    const std::shared_ptr<DiagramLink> link = self();
    if (std::find(labels_.begin(), labels_.end(), label) == labels_.end()) {
        labels_.push_back(label);
        hitAreaChanged();
    }
    if (link && label->link() != link) takeLabel(*label, link);
}

void DiagramLink::takeLabel(LinkLabel& label, const std::shared_ptr<DiagramLink>& link) {
    if (const std::shared_ptr<DiagramLink> holder = label.link(); holder && holder != link)
        holder->dropLabel(label);
    label.attachTo(link);
}

void DiagramLink::dropLabel(const LinkLabel& label) {
    const auto it = std::find_if(labels_.begin(), labels_.end(),
                                 [&label](const auto& held) { return held.get() == &label; });
    if (it == labels_.end()) return;
    // Where the label was drawn against this link, measured before it leaves.
    const std::shared_ptr<Diagram> d = diagram();
    std::optional<Rect> drawn = d ? (*it)->getLayoutRect() : std::nullopt;
    labels_.erase(it);
    hitAreaChanged();
    if (d && !d->isLoading()) {
        if (drawn) {
            // The label's background reaches past its text.
            drawn->inflate(2 * millimetre(), 2 * millimetre());
            d->invalidate(*drawn);
        }
        repaint();
    }
}

void DiagramLink::updateFromPoints() {
    originConnection()->saveRelativePosition();
    destinationConnection()->saveRelativePosition();
    if (const auto d = diagram()) d->invalidate();
}

Point DiagramLink::startPoint() const {
    return controlPoints_.empty() ? Point() : controlPoints_.front();
}

void DiagramLink::setStartPoint(Point point) {
    if (controlPoints_.empty() || !isFinite(point)) return;
    controlPoints_.front() = point;
    hitAreaChanged();
}

Point DiagramLink::endPoint() const {
    return controlPoints_.empty() ? Point() : controlPoints_.back();
}

void DiagramLink::setEndPoint(Point point) {
    if (controlPoints_.empty() || !isFinite(point)) return;
    controlPoints_.back() = point;
    hitAreaChanged();
}

Point DiagramLink::center() const {
    return startPoint().middle(endPoint());
}

Point DiagramLink::getFirstDistinctPoint() const {
    const Point start = startPoint();
    for (const Point& p : controlPoints_) {
        if (distinct(p, start)) return p;
    }
    return start;
}

Point DiagramLink::getLastDistinctPoint() const {
    const Point end = endPoint();
    for (std::size_t i = controlPoints_.size(); i-- > 0;) {
        if (distinct(controlPoints_[i], end)) return controlPoints_[i];
    }
    return end;
}

void DiagramLink::setShape(LinkShape shape) {
    if (!fromRaw<LinkShape>(static_cast<int>(shape))) return;
    const bool changed = shape != shape_;
    shape_ = shape;
    const auto impl = shapeImpl();
    bool refitted = false;
    if (!controlPoints_.empty() && !impl->pointsAreValid(*this)) {
        impl->initPoints(*this, startPoint(), endPoint());
        refitted = true;
    }
    if (changed || refitted) repaint();
}

int DiagramLink::segmentCount() const {
    const int n = static_cast<int>(controlPoints_.size());
    if (n == 0) return 0;
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
    hitAreaChanged();
}

std::vector<Point> DiagramLink::getSegmentPoints(int index) {
    if (index < 0 || index >= segmentCount()) return {};
    const auto i = static_cast<std::size_t>(index);
    if (shape_ == LinkShape::bezier)
        return Utilities::approxBezier(controlPoints_, 3 * index, kBezierQuality);
    return {controlPoints_[i], controlPoints_[i + 1]};
}

std::vector<Point> DiagramLink::getFlattenedPoints() {
    return getFlattenedPointsWithSteps(kBezierQuality);
}

std::vector<Point> DiagramLink::getFlattenedPointsWithSteps(int steps) {
    if (shape_ != LinkShape::bezier) return controlPoints_;
    const int quality = std::max(steps, 1);
    std::vector<Point> result;
    const int segments = segmentCount();
    for (int i = 0; i < segments; ++i) {
        const std::vector<Point> piece = Utilities::approxBezier(controlPoints_, 3 * i, quality);
        result.insert(result.end(), piece.begin(), piece.end());
    }
    return result;
}

Point DiagramLink::getInsetEndPoint(Point p1, Point p2, const std::shared_ptr<Shape>& shape,
                                    double size) const {
    if (!shape || shape->linkSegmentInset() == 100 || p1 == p2 || !isFinite(size)) return p1;
    const double length = p1.distance(p2);
    const double along = size * (100 - shape->linkSegmentInset()) * 0.01;
    const Point moved(p1.x + (p2.x - p1.x) / length * along, p1.y + (p2.y - p1.y) / length * along);
    return isFinite(moved) ? moved : p1;
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

bool DiagramLink::containsPoint(Point point) {
    const auto d = diagram();
    if (d && d->linkHitDistance() != 0) return containsPoint(point, d->linkHitDistance());
    return containsPoint(point, 5 * millimetre());
}

bool DiagramLink::containsPoint(Point point, double threshold) {
    if (!isFinite(point) || std::isnan(threshold) || controlPoints_.empty()) return false;
    const double reach = std::max(threshold, 5 * millimetre() * 0.5);
    if (labelFromPoint(point)) return true;
    Rect area = getBounds();
    area.inflate(reach, reach);
    if (!insideInclusive(point, area)) return false;
    const double distance = shape_ == LinkShape::bezier
                                ? Geometry::distanceToBezier(point, controlPoints_)
                                : Geometry::distanceToPolyline(point, controlPoints_);
    return distance < threshold;
}

std::optional<Rect> DiagramLink::getHitArea() {
    // Only for this class itself: a subclass may test its points its own way.
    if (typeid(*this) != typeid(DiagramLink)) return std::nullopt;
    if (controlPoints_.empty()) return Rect(0, 0, 0, 0);
    Rect area = getBounds();
    for (const auto& label : labels_) {
        if (!label) continue;
        if (const std::optional<Rect> rect = label->getLayoutRect()) area = area.union_(*rect);
    }
    return area;
}

std::shared_ptr<LinkLabel> DiagramLink::labelFromPoint(Point point) {
    for (const auto& label : labels_) {
        if (!label) continue;
        const std::optional<Rect> rect = label->getLayoutRect();
        if (rect && insideInclusive(point, *rect)) return label;
    }
    return nullptr;
}

std::shared_ptr<AdjustmentHandle> DiagramLink::hitTestHandle(Point point) {
    return getLinkHandleAt(shared_from_this(), controlPoints_, point);
}

bool DiagramLink::intersects(const Rect& rect) {
    if (controlPoints_.empty()) return false;
    const Rect b = getBoundingRect();
    const double right = rect.x + rect.width, bottom = rect.y + rect.height;
    if (b.x + b.width < rect.x || b.x > right || b.y + b.height < rect.y || b.y > bottom)
        return false;
    if (b.x > rect.x && b.x + b.width < right && b.y > rect.y && b.y + b.height < bottom)
        return true;

    const std::vector<Point> path = getFlattenedPointsWithSteps(kIntersectSteps);
    for (const Point& p : path) {
        if (insideInclusive(p, rect)) return true;
    }
    const Point corners[5] = {Point(rect.x, rect.y), Point(right, rect.y), Point(right, bottom),
                              Point(rect.x, bottom), Point(rect.x, rect.y)};
    for (std::size_t i = 0; i + 1 < path.size(); ++i) {
        for (int edge = 0; edge < 4; ++edge) {
            if (segmentCrossing(path[i], path[i + 1], corners[edge], corners[edge + 1]))
                return true;
        }
    }
    return false;
}

bool DiagramLink::isTopLevel() const {
    if (!anyContainerCreated()) return true;
    if (nodeOf(originConnection_)->isTopLevel()) return true;
    if (nodeOf(destinationConnection_)->isTopLevel()) return true;
    return topLevel();
}

void DiagramLink::stretchToPoint(Point point) {
    if (controlPoints_.empty() || !isFinite(point)) return;
    controlPoints_.back() = point;
    hitAreaChanged();
    if (shape_ == LinkShape::cascading) return;
    const std::size_t n = controlPoints_.size();
    if (n <= 2) return;
    const Point first = controlPoints_.front();
    const double dx = (point.x - first.x) / static_cast<double>(n - 1);
    const double dy = (point.y - first.y) / static_cast<double>(n - 1);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const auto t = static_cast<double>(i);
        controlPoints_[i] = Point(first.x + dx * t, first.y + dy * t);
    }
}

void DiagramLink::onPointsApplied(bool update) {
    shapeImpl()->onPointsApplied(*this);
    if (update) updateFromPoints();
}

Rect DiagramLink::measureText(const std::string& text, bool wrap, double maxWidth, double margin) {
    const auto d = diagram();
    const std::shared_ptr<MeasureUnit> unit =
        d && d->measureUnit() ? d->measureUnit() : MeasureUnit::Millimeter();
    const std::shared_ptr<MeasureUnit> fontUnit = getEffectiveFontUnit();
    double size = getEffectiveFontSize();
    if (fontUnit) size = fontUnit->convert(size, *unit);
    if (!isFinite(margin)) margin = 0;

    platform::TextEngine::TextSize measured;
    // A font without a size has no glyphs to measure.
    if (isFinite(size) && size > 0 && text == this->text()) {
        // The link's own text is measured in the layout it is drawn from, which then draws it
        // without laying it out again.
        if (!textCache_) textCache_ = std::make_unique<TextLayoutCache>();
        const TextLayoutCache::Extent extent = textCache_->measure(
            text, getEffectiveFontName(), size, false, false, false, wrap, maxWidth);
        measured = {extent.width, extent.height};
    } else if (isFinite(size) && size > 0) {
        measured = platform::TextEngine::shared().measure(text, getEffectiveFontName(), size, false,
                                                          false, wrap, maxWidth);
    }

    const Point m = center();
    double x = m.x - measured.width / 2;
    switch (horizontalTextAlignment()) {
        case HorizontalAlignment::left:
            x = m.x - measured.width - margin;
            break;
        case HorizontalAlignment::right:
            x = m.x + margin;
            break;
        default:
            break;
    }
    double y = m.y - measured.height / 2;
    switch (verticalTextAlignment()) {
        case VerticalAlignment::top:
            y = m.y + margin;
            break;
        case VerticalAlignment::bottom:
            y = m.y - measured.height - margin;
            break;
        default:
            break;
    }
    return Rect(x - 1, y - 1, measured.width + 2, measured.height + 2);
}


}  // namespace nodeloom
