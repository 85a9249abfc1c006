#include "Nodeloom/items/DiagramNode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "Nodeloom/composite/ContainerNode.h"  // Hook: node container
#include "Nodeloom/composite/NodeExpander.h"  // Hook: node container
#include "Nodeloom/document/Diagram.h"  // Hook: item reaches its document
#include "Nodeloom/document/DiagramMediator.h"  // Hook: item reaches its document
#include "Nodeloom/document/EditNodeTextEventArgs.h"  // Hook: item reaches its document
#include "Nodeloom/document/XmlContext.h"  // Hook: item reaches its document
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Constants.h"
#include "Nodeloom/foundation/Matrix.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/foundation/Utilities.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/AnchorPoint.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/items/DiagramNodeState.h"
#include "Nodeloom/items/GroupAttachment.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: nodes and links name each other
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/InvisibleHandlesImpl.h"
#include "Nodeloom/items/SquareHandlesImpl.h"

namespace nodeloom {

namespace {

bool& containerFlag() {
    static bool created = false;
    return created;
}

double dot(const Point& u, const Point& v) {
    return u.x * v.x + u.y * v.y;
}

// Squared distance from the point to the segment a-b.
double segmentDistanceSquared(const Point& p, const Point& a, const Point& b) {
    if (a == b) return p.distanceSquared(a);
    const Point ab = b - a;
    if (dot(p - a, ab) < 0) return p.distanceSquared(a);
    if (dot(b - p, ab) < 0) return p.distanceSquared(b);
    const double cross = (p.y - a.y) * (b.x - a.x) - (p.x - a.x) * (b.y - a.y);
    return cross * cross / dot(ab, ab);
}

Point nearestPointOnSegment(const Point& p, const Point& a, const Point& b) {
    if (a == b) return a;
    const Point ab = b - a;
    if (dot(ab, p - a) < 0) return a;
    if (dot(ab, b - p) < 0) return b;
    const Point foot(p.x + (a.y - b.y), p.y - (a.x - b.x));
    if (const auto crossing = Utilities::lineIntersect(a, b, p, foot)) return *crossing;
    // Only a segment too short for the line helper gets here: project onto it directly.
    const double t = dot(p - a, ab) / dot(ab, ab);
    return Point(a.x + t * ab.x, a.y + t * ab.y);
}

bool insideInclusive(const Point& p, const Rect& r) {
    return r.x <= p.x && p.x <= r.x + r.width && r.y <= p.y && p.y <= r.y + r.height;
}

// Whether the outline edge (x1, y1)-(x2, y2) and the rectangle edge (s1, t1)-(s2, t2) cross,
// within the tolerance that rubber-band selection has always used.
bool edgesCross(const Point& o1, const Point& o2, const Point& r1, const Point& r2) {
    const double x1 = o1.x, y1 = o1.y, x2 = o2.x, y2 = o2.y;
    const double s1 = r1.x, t1 = r1.y, s2 = r2.x, t2 = r2.y;
    double X, Y;
    if (x1 == x2 && s1 == s2) return false;
    if (x1 == x2) {
        X = x1;
        Y = t1 + (t2 - t1) / (s2 - s1) * (X - s1);
    } else if (s1 == s2) {
        X = s1;
        Y = y1 + (y2 - y1) / (x2 - x1) * (X - x1);
    } else {
        const double m = (y2 - y1) / (x2 - x1);
        const double n = (t2 - t1) / (s2 - s1);
        if (m == n) return false;
        const double b1 = y1 - m * x1;
        const double b2 = t1 - n * s1;
        X = (b2 - b1) / (m - n);
        Y = m * X + b1;
    }
    constexpr double tolerance = 0.0001;
    return (X - x1) * (X - x2) <= tolerance && (Y - y1) * (Y - y2) <= tolerance &&
           (X - s1) * (X - s2) <= tolerance && (Y - t1) * (Y - t2) <= tolerance;
}

}  // namespace

// --- CompositeLinkArray ----------------------------------------------------------------------

std::size_t CompositeLinkArray::count() const {
    return node_->incomingLinks().size() + node_->outgoingLinks().size();
}

std::shared_ptr<DiagramLink> CompositeLinkArray::operator[](std::size_t index) const {
    const auto& incoming = node_->incomingLinks();
    if (index < incoming.size()) return incoming[index];
    index -= incoming.size();
    const auto& outgoing = node_->outgoingLinks();
    return index < outgoing.size() ? outgoing[index] : nullptr;
}

// --- DiagramNode -----------------------------------------------------------------------------

DiagramNode::DiagramNode() : fillColor_(std::make_shared<Color>()) {}

DiagramNode::~DiagramNode() = default;

std::shared_ptr<ConnectionPoint> DiagramNode::createConnectionPoint(
    const std::shared_ptr<DiagramLink>& link, Point, bool incoming) {
    auto self = std::static_pointer_cast<DiagramNode>(weak_from_this().lock());
    return std::make_shared<ConnectionPoint>(self, link, incoming);
}

std::optional<Point> DiagramNode::getAnchorPointPosition(int index) {
    if (!anchorPattern_ || index < 0) return std::nullopt;
    const auto& points = anchorPattern_->points();
    if (static_cast<std::size_t>(index) >= points.size() || !points[index]) return std::nullopt;
    return pointFromPercent(points[index]->x(), points[index]->y());
}

std::pair<Point, int> DiagramNode::getNearestAnchorPoint(Point point,
                                                         const std::shared_ptr<DiagramLink>&,
                                                         bool incoming) {
    std::pair<Point, int> best(point, -1);
    if (!anchorPattern_) return best;
    const Rect b = bounds();
    const Point c = b.center();
    const double angle = rotationAngle_;
    double bestDistance = std::numeric_limits<double>::max();
    const auto& points = anchorPattern_->points();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const auto& anchor = points[i];
        if (!anchor || !(incoming ? anchor->allowIncoming() : anchor->allowOutgoing())) continue;
        Point q(b.x + anchor->x() * b.width / 100, b.y + anchor->y() * b.height / 100);
        if (angle != 0) q = rotatePointAt(q, c, angle);
        const double d = point.distanceSquared(q);
        if (d < bestDistance) {
            best = {q, static_cast<int>(i)};
            bestDistance = d;
        }
    }
    return best;
}

Point DiagramNode::getNearestBorderPoint(Point point) {
    std::vector<Point> outline = getOutline();
    // A kind that has no outline (a shape node without a shape) still has its box.
    if (outline.empty()) outline = bounds().getCornerPoints();
    outline.push_back(outline.front());

    std::size_t nearest = 0;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i + 1 < outline.size(); ++i) {
        const double d = segmentDistanceSquared(point, outline[i], outline[i + 1]);
        if (d < nearestDistance) {
            nearest = i;
            nearestDistance = d;
        }
    }
    return nearestPointOnSegment(point, outline[nearest], outline[nearest + 1]);
}

std::vector<Point> DiagramNode::getOutline() {
    return bounds().getCornerPoints();
}

DiagramNode::LinkList DiagramNode::getAllLinks() {
    LinkList result;
    std::unordered_set<const DiagramLink*> seen;
    for (const auto* list : {&incomingLinks_, &outgoingLinks_}) {
        for (const auto& link : *list) {
            if (link && seen.insert(link.get()).second) result.push_back(link);
        }
    }
    return result;
}

DiagramNode::LinkList DiagramNode::getAllIncomingLinks() {
    return incomingLinks_;
}

DiagramNode::LinkList DiagramNode::getAllOutgoingLinks() {
    return outgoingLinks_;
}

bool anyContainerCreated() {
    return containerFlag();
}

void DiagramNode::noteContainerCreated() {
    containerFlag() = true;
}

bool DiagramNode::connectsToRows() const {
    return false;
}

std::shared_ptr<ContainerNode> DiagramNode::container() const {
    // A node joins a container through its attachment; without one it lies on the document.
    if (dynamic_cast<const ContainerAttachment*>(attachment_.get()) == nullptr) return nullptr;
    return std::dynamic_pointer_cast<ContainerNode>(attachment_->master());
}

// Asked for every link end each time links are placed, so the usual shallow walk allocates
// nothing; only a walk deeper than any sound nesting keeps a set against a containment loop.
std::shared_ptr<ContainerNode> DiagramNode::getFoldedContainer() const {
    constexpr int kPlainDepth = 32;
    auto c = container();
    for (int depth = 0; c && depth < kPlainDepth; ++depth, c = c->container())
        if (c->folded()) return c;
    if (!c) return nullptr;
    std::unordered_set<const DiagramNode*> visited{this};
    for (c = container(); c; c = c->container()) {
        if (c->folded()) return c;
        // Containment never loops in a sound document; a damaged one must not hang the walk.
        if (!visited.insert(c.get()).second) return nullptr;
    }
    return nullptr;
}

double DiagramNode::getRotationAngle() const {
    return rotationAngle_;
}

Point DiagramNode::pointFromPercent(double x, double y) {
    const Rect b = bounds();
    Point p(b.x + b.width * x / 100, b.y + b.height * y / 100);
    if (rotationAngle_ != 0) p = rotatePointAt(p, b.center(), rotationAngle_);
    return p;
}

Rect DiagramNode::bounds() const {
    return _bounds();
}

void DiagramNode::setBounds(const Rect& rect) {
    setBounds(rect, true);
}

void DiagramNode::setBounds(const Rect& rect, bool updateDependencies) {
    const std::shared_ptr<DiagramNode> me = self();
    // A node that no shared pointer holds cannot be handed to the mediator; it has no document
    // and nothing that follows it either.
    if (!updateDependencies || !me || !isFinite(rect)) {
        setBoundsAndRepaint(rect);
        return;
    }
    // Made before the change: it saves where the followers are now.
    DiagramMediator mediator(me);
    setBoundsAndRepaint(rect);
    mediator.updateDependents();
    // The followers are moved without repainting, each on its own; one repaint covers them.
    if (mediator.items().size() > 1) {
        if (const std::shared_ptr<Diagram> d = diagram()) d->invalidate();
    }
}

Rect DiagramNode::_bounds() const {
    return bounds_;
}

void DiagramNode::_setBounds(const Rect& rect) {
    if (!isFinite(rect)) return;
    bounds_ = rect;
    hitAreaChanged();
}

void DiagramNode::setBoundsAndRepaint(const Rect& rect) {
    if (!isFinite(rect)) return;
    const std::shared_ptr<Diagram> d = diagram();
    if (d) d->invalidate(getRepaintRect());
    const Rect old = _bounds();
    _setBounds(rect);
    if (d) d->invalidate(getRepaintRect());
    onUpdateBounds(old, rect);
}

void DiagramNode::onUpdateBounds(const Rect&, const Rect&) {}

void DiagramNode::move(double x, double y, bool updateDependencies) {
    const Rect b = bounds();
    setBounds(Rect(x, y, b.width, b.height), updateDependencies);
}

void DiagramNode::makeSelfLoop(const std::shared_ptr<DiagramLink>& link) {
    if (!link) return;
    link->setShape(LinkShape::bezier);
    link->setSegmentCount(1);
    const Point t = getTopOutlinePoint();

    const std::shared_ptr<Diagram> d = diagram();
    const std::shared_ptr<MeasureUnit> unit = d ? d->measureUnit() : MeasureUnit::Millimeter();
    const double a = Constants::getHalfInch(unit);
    const double b = Constants::getMinArrowheadSize(unit);
    const Point p1 = rotatePointAt(Point(t.x - (a + b), t.y - (a + 3 * b)), t, rotationAngle_);
    const Point p2 = rotatePointAt(Point(t.x + (a + b), t.y - (a + 3 * b)), t, rotationAngle_);

    std::vector<Point> points = link->controlPoints();
    if (points.size() < 4) points.resize(4);
    points[0] = t;
    points[1] = p1;
    points[2] = p2;
    points[3] = t;
    link->setControlPoints(std::move(points));
    link->invalidateLinkCrossings(link->getBounds());
}

Point DiagramNode::getTopOutlinePoint() {
    const Rect b = bounds();
    const Point c = b.center();
    const Point far = rotatePointAt(Point(c.x, c.y - 3 * std::fabs(b.height)), c, rotationAngle_);
    Point r = getIntersection(far, c);
    const Rect br = getRotatedBounds(b, rotationAngle_);
    if (r.x < br.x || r.y < br.y || r.x > br.x + br.width || r.y > br.y + br.height)
        r = Point(br.x + br.width / 2, br.y);
    return r;
}

Point DiagramNode::getIntersection(Point point, Point segmentEnd) {
    if (point == segmentEnd) return point;
    const Rect b = bounds();
    const Point c = b.center();
    const double angle = getRotationAngle();
    Point p = point;
    Point q = segmentEnd;
    if (angle != 0) {
        p = rotatePointAt(point, c, -angle);
        q = rotatePointAt(segmentEnd, c, -angle);
    }
    if (b.height == 0 || b.width == 0) return c;
    if (insideInclusive(p, Utilities::normalizeRect(b)) &&
        insideInclusive(q, Utilities::normalizeRect(b)))
        return c;
    const auto r = Utilities::getPolygonIntr(getOutline(), p, q);
    if (!r) return c;
    return angle != 0 ? rotatePointAt(*r, c, angle) : *r;
}

const CompositeLinkArray& DiagramNode::links() const {
    if (!links_) links_ = std::make_unique<CompositeLinkArray>(this);
    return *links_;
}

void DiagramNode::setFillColor(std::shared_ptr<Color> color) {
    if (!color) return;
    fillColor_ = std::move(color);
    repaint();
}

void DiagramNode::setAnchorPattern(std::shared_ptr<AnchorPattern> pattern) {
    anchorPattern_ = std::move(pattern);
    repaint();
}

void DiagramNode::setRotationAngle(double angle) {
    if (!std::isfinite(angle)) return;
    rotationAngle_ = angle;
    repaint();
}

bool DiagramNode::isRealNode() const {
    return true;
}

void DiagramNode::removeAllLinks() {
    // Each link leaves through the document so that its removal is recorded for undo. The last
    // goes first: each then leaves from the end of this node's lists, which shift nothing, and
    // from the end of the document's, which an undo fills again from the front, back in order.
    if (const std::shared_ptr<Diagram> owner = diagram()) {
        const LinkList links = getAllLinks();
        for (auto link = links.rbegin(); link != links.rend(); ++link) owner->removeItem(*link);
    }
}

std::optional<Rect> DiagramNode::getAffectedBounds(const Rect& rect) {
    auto& visited = cycleGuard();
    std::unordered_set<const DiagramItem*> seen;
    for (const auto& item : visited) {
        if (auto locked = item.lock()) seen.insert(locked.get());
    }
    return affectedBounds(rect, visited, seen);
}

// The visited list stays the one the caller empties; the set beside it keeps each membership
// test constant-time, so a node with many links costs no more than its links.
Rect DiagramNode::affectedBounds(const Rect& rect, std::vector<std::weak_ptr<DiagramItem>>& visited,
                                 std::unordered_set<const DiagramItem*>& seen) {
    Rect r = rect;
    for (const auto& attached : attachedNodes()) {
        if (!attached || !seen.insert(attached.get()).second) continue;
        visited.push_back(attached);
        r = r.union_(attached->affectedBounds(rect, visited, seen));
    }
    for (const auto* list : {&incomingLinks_, &outgoingLinks_}) {
        for (const auto& link : *list) {
            if (!link || !seen.insert(link.get()).second) continue;
            visited.push_back(link);
            r = r.union_(link->getBounds());
        }
    }
    return r;
}

std::shared_ptr<Style> DiagramNode::resolveInheritedStyle(
    const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const {
    if (theme && predicate) {
        const auto it = theme->styles().find("DiagramNode");
        if (it != theme->styles().end() && it->second && predicate(*it->second)) return it->second;
    }
    return DiagramItem::resolveInheritedStyle(predicate, theme);
}

bool DiagramNode::containsPoint(Point point) {
    return insideInclusive(point, bounds());
}

bool DiagramNode::containsPoint(Point point, double threshold) {
    const Rect b = bounds();
    return insideInclusive(point, Rect(b.x - threshold, b.y - threshold, b.width + 2 * threshold,
                                       b.height + 2 * threshold));
}

std::optional<Rect> DiagramNode::getHitArea() {
    // Only for this class itself: a subclass may test its points its own way.
    if (typeid(*this) != typeid(DiagramNode)) return std::nullopt;
    return bounds();
}

std::shared_ptr<AdjustmentHandle> DiagramNode::hitTestHandle(Point point) {
    const std::shared_ptr<Diagram> d = diagram();
    const double tolerance = d ? d->adjustmentHandlesSize() * 0.5 + d->threshold() : 15.0;
    if (handlesStyle() != HandlesStyle::squareHandles) return nullptr;
    return getNodeHandleAt(weak_from_this().lock(), bounds(), point, tolerance);
}

std::string DiagramNode::getClassId() const {
    return "std:DiagramNode";
}

Metatype<DiagramItem> DiagramNode::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<DiagramNode>(); }, getClassId());
}

Rect DiagramNode::getBounds() {
    return bounds();
}

bool DiagramNode::intersects(const Rect& rect) {
    if (!isFinite(rect)) return false;
    const Rect br = getBoundingRect();
    if (rect.y > br.bottom() || rect.bottom() < br.y || rect.right() < br.x || br.right() < rect.x)
        return false;
    if (rect.x < br.x && br.right() < rect.right() && rect.y < br.y && br.bottom() < rect.bottom())
        return true;
    if (br.x < rect.x && rect.right() < br.right() && br.y < rect.y && rect.bottom() < br.bottom())
        return true;

    const std::vector<Point> outline = getOutline();
    for (const Point& p : outline) {
        if (insideInclusive(p, rect)) return true;
    }
    const std::array<Point, 5> edges{rect.topLeft(), rect.topRight(), rect.bottomRight(),
                                     rect.bottomLeft(), rect.topLeft()};
    // The crossing test accepts a crossing up to 0.01 beyond the ends of either edge, never
    // further; an outline edge whose box stays clear of the rectangle by more than that cannot
    // cross any of its edges, so only the edges near the rectangle pay for the line arithmetic.
    constexpr double reach = 0.02;
    const double left = std::min(rect.x, rect.right()) - reach;
    const double right = std::max(rect.x, rect.right()) + reach;
    const double top = std::min(rect.y, rect.bottom()) - reach;
    const double bottom = std::max(rect.y, rect.bottom()) + reach;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const Point& a = outline[i];
        const Point& b = outline[i + 1 < outline.size() ? i + 1 : 0];
        if (std::max(a.x, b.x) < left || std::min(a.x, b.x) > right || std::max(a.y, b.y) < top ||
            std::min(a.y, b.y) > bottom)
            continue;
        for (std::size_t k = 0; k < 4; ++k) {
            if (edgesCross(a, b, edges[k], edges[k + 1])) return true;
        }
    }
    return false;
}

Rect DiagramNode::getBoundingRect() {
    return getRotatedBounds(bounds(), rotationAngle_);
}

Point DiagramNode::rotatePointAt(Point point, Point pivot, double angle) {
    Matrix m;
    m.rotateAt(angle, pivot.x, pivot.y);
    return m.transform(point);
}

Rect DiagramNode::getRotatedBounds(const Rect& rect, double angle) {
    if (angle == 0) return rect;
    Matrix m;
    m.rotateAt(angle, rect.x + rect.width / 2, rect.y + rect.height / 2);
    const std::array<Point, 4> corners{m.transform(rect.topLeft()), m.transform(rect.topRight()),
                                       m.transform(rect.bottomRight()),
                                       m.transform(rect.bottomLeft())};
    double left = corners[0].x, right = corners[0].x, top = corners[0].y, bottom = corners[0].y;
    for (const Point& c : corners) {
        left = std::min(left, c.x);
        right = std::max(right, c.x);
        top = std::min(top, c.y);
        bottom = std::max(bottom, c.y);
    }
    return Rect(left, top, right - left, bottom - top);
}

std::shared_ptr<DiagramNode> DiagramNode::self() const {
    return std::static_pointer_cast<DiagramNode>(
        std::const_pointer_cast<DiagramItem>(weak_from_this().lock()));
}

// --- Drawing ---------------------------------------------------------------------------------

void DiagramNode::draw(Canvas& canvas, const RenderOptions& options) {
    const Rect b = bounds();
    canvas.saveState();
    canvas.translateTransform(b.x, b.y);
    if (rotationAngle_ != 0)
        canvas.rotateTransform(rotationAngle_, Point(b.width / 2, b.height / 2));
    drawLocal(canvas, options);
    canvas.restoreState();
    drawManipulators(canvas);
    if (shouldShowAnchors(options)) drawAnchors(canvas);
}

void DiagramNode::drawLocal(Canvas&, const RenderOptions&) {}

void DiagramNode::drawAnchors(Canvas& canvas) {
    if (!anchorPattern_) return;
    const std::shared_ptr<Diagram> d = diagram();
    const double markSize = d ? MeasureUnit::Millimeter()->convert(2.0, d->measureUnit()) : 2.0;
    const Rect b = bounds();
    // A copy: a mark's drawing cannot disturb the walk over the pattern.
    const auto points = anchorPattern_->points();
    for (const auto& point : points) {
        if (point) point->draw(canvas, b, b.center(), getRotationAngle(), markSize);
    }
}

bool DiagramNode::shouldShowAnchors(const RenderOptions& options) const {
    // Inside a document the document's own setting has the last word.
    if (const std::shared_ptr<Diagram> d = diagram())
        return options.enableAnchors() && d->showAnchors() == ShowAnchors::always;
    return options.enableAnchors();
}

void DiagramNode::drawHandles(Canvas& canvas) {
    const std::shared_ptr<Diagram> d = diagram();
    const double size = d ? d->adjustmentHandlesSize() : 2.0;
    HandlesStyleImpl& impl = handlesStyle() == HandlesStyle::squareHandles
                                 ? static_cast<HandlesStyleImpl&>(SquareHandlesImpl::instance())
                                 : static_cast<HandlesStyleImpl&>(InvisibleHandlesImpl::instance());
    impl.drawRectHandles(canvas, bounds(), size);
}

void DiagramNode::drawManipulators(Canvas& canvas) {
    if (const std::shared_ptr<NodeExpander> expander = expander_) expander->draw(canvas);
}

std::shared_ptr<Manipulator> DiagramNode::hitTestManipulators(Point point) {
    if (!expander_) return nullptr;
    const Rect r = expander_->globalBounds();
    if (r.x <= point.x && point.x <= r.x + r.width && r.y <= point.y && point.y <= r.y + r.height)
        return expander_;
    return nullptr;
}

// --- Attaching -------------------------------------------------------------------------------

void DiagramNode::attachToNode(const std::shared_ptr<DiagramNode>& master, AttachToNode from) {
    const std::shared_ptr<DiagramNode> me = self();
    if (!master || !me) return;
    if (const std::shared_ptr<Attachment> old = attachment_) old->detach();
    attachment_ = std::make_shared<GroupAttachment>(master, me, from);
    master->addAttachedNode(me);
}

void DiagramNode::attachToLink(const std::shared_ptr<DiagramLink>& master, AttachToLink from) {
    const std::shared_ptr<DiagramNode> me = self();
    if (!master || !me) return;
    if (const std::shared_ptr<Attachment> old = attachment_) old->detach();
    attachment_ = std::make_shared<GroupAttachment>(master, me, from);
    master->addAttachedNode(me);
}

void DiagramNode::detach() {
    const std::shared_ptr<Attachment> group =
        std::dynamic_pointer_cast<GroupAttachment>(attachment_);
    if (!group) return;
    attachment_.reset();
    if (const std::shared_ptr<DiagramItem> master = group->master())
        master->removeAttachedNode(*this);
}

std::shared_ptr<DiagramItem> DiagramNode::master() const {
    return attachment_ ? attachment_->master() : nullptr;
}

bool DiagramNode::containsAttachedNode(const std::shared_ptr<DiagramNode>& node) const {
    return containsAttachedNodeRecursive(node.get(), {});
}

bool DiagramNode::containsAttachedNodeRecursive(const DiagramNode* node,
                                                std::vector<const DiagramNode*> visited) const {
    if (this == node) return true;
    bool result = false;
    for (const auto& attached : attachedNodes()) {
        if (!attached) continue;
        if (attached.get() == node) return true;
        if (std::find(visited.begin(), visited.end(), attached.get()) == visited.end()) {
            visited.push_back(attached.get());
            if (!result) result = attached->containsAttachedNodeRecursive(node, visited);
        }
        if (result) return true;
    }
    return false;
}

bool DiagramNode::isTopLevel() const {
    if (!anyContainerCreated()) return true;
    if (dynamic_cast<const GroupAttachment*>(attachment_.get()) != nullptr) {
        // Every node of the walk is marked, not just the first: a loop of attachments that
        // does not pass through the node asked first must end too.
        if (askingMaster_) return topLevel();
        if (const std::shared_ptr<DiagramItem> master = attachment_->master()) {
            askingMaster_ = true;
            const bool masterTopLevel = master->isTopLevel();
            askingMaster_ = false;
            if (masterTopLevel) return true;
        }
    }
    return topLevel();
}

// --- Undo state ------------------------------------------------------------------------------

std::shared_ptr<DiagramItemState> DiagramNode::createState() {
    return std::make_shared<DiagramNodeState>();
}

std::shared_ptr<DiagramItemState> DiagramNode::saveState() {
    std::shared_ptr<DiagramItemState> state = DiagramItem::saveState();
    if (auto* s = dynamic_cast<DiagramNodeState*>(state.get())) {
        s->setBounds(bounds());
        s->setAnchorPattern(anchorPattern_);
        s->setRotationAngle(rotationAngle_);
        s->setExpanded(expanded_);
        s->setExpandable(expandable_);
        s->setObstacle(obstacle_);
        s->setAttachment(attachment_);
        if (attachment_) s->setAttachmentValues(attachment_->values());
    }
    return state;
}

void DiagramNode::restoreState(const DiagramItemState& state) {
    DiagramItem::restoreState(state);
    const auto* s = dynamic_cast<const DiagramNodeState*>(&state);
    if (s == nullptr) return;
    _setBounds(s->bounds());
    setAnchorPattern(s->anchorPattern());
    setRotationAngle(s->rotationAngle());
    setExpanded(s->expanded());
    setExpandable(s->expandable());
    setObstacle(s->obstacle());
    const std::shared_ptr<ContainerNode> formerContainer = container();
    setAttachment(s->attachment());
    if (s->attachment() && s->attachmentValues())
        s->attachment()->setValues(*s->attachmentValues());
    // A node that has left the document of the container the state names is no member of it,
    // whichever of the two states comes first.
    if (const std::shared_ptr<ContainerNode> holder = container(); holder && !holder->admits(*this))
        setAttachment(nullptr);
    // A node the state takes out of a container leaves that container's list as well, whether or
    // not the container's own state is restored, and before or after this one.
    if (formerContainer && formerContainer != container()) {
        if (const auto me = std::dynamic_pointer_cast<DiagramNode>(weak_from_this().lock()))
            formerContainer->remove(me);
    }
}

std::shared_ptr<DiagramItemState> DiagramNode::saveLocation() {
    std::shared_ptr<DiagramItemState> state = createState();
    if (auto* s = dynamic_cast<DiagramNodeState*>(state.get())) {
        s->setBounds(bounds());
        s->setRotationAngle(rotationAngle_);
    }
    return state;
}

void DiagramNode::restoreLocation(const DiagramItemState& state) {
    const auto* s = dynamic_cast<const DiagramNodeState*>(&state);
    if (s == nullptr) return;
    _setBounds(s->bounds());
    setRotationAngle(s->rotationAngle());
}

// --- XML -------------------------------------------------------------------------------------

void DiagramNode::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    context.writeRectangle(bounds(), "Bounds", element);
    DiagramItem::saveToXml(element, context);
    context.writeAnchorPattern(anchorPattern_, "AnchorPattern", element);
    context.writeBool(expanded_, "Expanded", element);
    context.writeBool(expandable_, "Expandable", element);
    if (rotationAngle_ != 0) context.writeDouble(rotationAngle_, "RotationAngle", element);
}

void DiagramNode::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramItem::loadFromXml(element, context);
    _setBounds(Rect::fromString(element->readString("Bounds", "")));
    setAnchorPattern(context.readAnchorPattern("AnchorPattern", element, false));
    setRotationAngle(element->readDouble("RotationAngle", 0.0));
    setExpandable(element->readBool("Expandable", false));
    setExpanded(element->readBool("Expanded", false));
}

// --- In-place text editing -------------------------------------------------------------------

std::string DiagramNode::getTextToEdit() {
    return text();
}

void DiagramNode::setEditedText(const std::string& text) {
    setText(text);
}

Rect DiagramNode::getEditRect(const std::shared_ptr<DiagramItem>&, Point) {
    return bounds();
}

void DiagramNode::raiseItemTextEditing(const std::string& oldText, const std::string& newText) {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d) return;
    EditNodeTextEventArgs args(self(), oldText, newText);
    d->nodeTextEditing().raise(*d, args);
}

void DiagramNode::raiseItemTextEdited(const std::string& oldText, const std::string& newText) {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d) return;
    EditNodeTextEventArgs args(self(), oldText, newText);
    d->nodeTextEdited().raise(*d, args);
}

std::shared_ptr<DiagramItem> DiagramNode::getEditedItem() {
    return self();
}

}  // namespace nodeloom
