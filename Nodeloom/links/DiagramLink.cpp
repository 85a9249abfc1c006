#include "Nodeloom/links/DiagramLink.h"

#include <pango/pango.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>

#include "Nodeloom/composite/ContainerNode.h"
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

bool finite(double v) {
    return std::isfinite(v);
}

bool finite(const Point& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

bool distinct(const Point& a, const Point& b) {
    return std::fabs(a.x - b.x) >= kDistinct || std::fabs(a.y - b.y) >= kDistinct;
}

bool sameColor(const std::shared_ptr<Color>& a, const std::shared_ptr<Color>& b) {
    if (a == b) return true;
    return a && b && *a == *b;
}

// The named child as an int: `missing` when there is no such child, nothing when its text is no
// decimal integer that an int holds.
std::optional<int> readInt(const XmlElement& element, std::string_view name, int missing) {
    if (!element.getChild(name)) return missing;
    // A text that is no integer reads as either default; a real integer reads the same twice.
    const std::int64_t low = element.readInteger(name, std::numeric_limits<std::int64_t>::min());
    const std::int64_t high = element.readInteger(name, std::numeric_limits<std::int64_t>::max());
    if (low != high || low < INT_MIN || low > INT_MAX) return std::nullopt;
    return static_cast<int>(low);
}

// The named child as a finite number: `missing` when there is no such child, nothing for inf or
// nan.
std::optional<double> readFinite(const XmlElement& element, std::string_view name, double missing) {
    const double value = element.readDouble(name, missing);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

bool insideInclusive(const Point& p, const Rect& r) {
    return p.x >= r.x && p.x <= r.x + r.width && p.y >= r.y && p.y <= r.y + r.height;
}

// The logical size of the text laid out in the font, unbounded or wrapped at `width`.
struct TextSize {
    double width = 0;
    double height = 0;
};

TextSize layoutSize(PangoLayout* layout, int width) {
    pango_layout_set_width(layout, width);
    PangoRectangle logical{};
    pango_layout_get_extents(layout, nullptr, &logical);
    return TextSize{static_cast<double>(logical.width) / PANGO_SCALE,
                    static_cast<double>(logical.height) / PANGO_SCALE};
}

bool onlyBlanks(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// The text's size in the font: unbounded, or, with wrap, by the wrapped-height rule that the
// text layout of links is built on.
TextSize layoutText(const std::string& text, const std::string& fontName, double size, bool wrap,
                    double maxWidth) {
    platform::TextEngine& engine = platform::TextEngine::shared();
    PangoLayout* layout = pango_layout_new(engine.context());
    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, engine.familyFor(fontName).c_str());
    pango_font_description_set_absolute_size(desc, size * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));

    const TextSize unwrapped = layoutSize(layout, -1);
    TextSize measured = unwrapped;
    if (wrap) {
        // A width Pango cannot hold, or none at all, leaves the text on its own lines.
        const double pangoWidth = maxWidth * PANGO_SCALE;
        const int width = finite(pangoWidth) && pangoWidth > 0 && pangoWidth < INT_MAX
                              ? static_cast<int>(pangoWidth)
                              : -1;
        const TextSize wrapped = layoutSize(layout, width);
        // Blanks and line feeds alone have no width to scale the height by.
        if (wrapped.width > 0 && !onlyBlanks(text)) {
            measured.width = wrapped.width;
            measured.height = (wrapped.height + 5.0) * (unwrapped.width / wrapped.width);
        }
    }
    g_object_unref(layout);
    return measured;
}

}  // namespace

DiagramLink::DiagramLink() : headStroke_(Colors::Black()), headShape_(Shape::fromId("Arrow")) {}

DiagramLink::~DiagramLink() = default;

std::shared_ptr<DiagramLink> DiagramLink::self() {
    return std::static_pointer_cast<DiagramLink>(weak_from_this().lock());
}

std::shared_ptr<DiagramNode> DiagramLink::nodeOf(
    const std::shared_ptr<ConnectionPoint>& connection) {
    std::shared_ptr<DiagramNode> node = connection ? connection->node() : nullptr;
    if (!node) return VirtualNode::instance();
    return node;
}

std::shared_ptr<LinkShapeImpl> DiagramLink::shapeImpl() const {
    return LinkShapeImpl::forShape(shape_);
}

double DiagramLink::millimetre() const {
    const auto d = diagram();
    if (!d || !d->measureUnit()) return 1.0;
    const double factor = MeasureUnit::Millimeter()->convert(1.0, *d->measureUnit());
    return finite(factor) && factor > 0 ? factor : 1.0;
}

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
    if (points->size() < 2 || !finite(dx) || !finite(dy)) return;
    std::vector<Point> moved;
    moved.reserve(points->size());
    for (const Point& p : *points) {
        const Point q(p.x + dx, p.y + dy);
        if (!finite(q)) return;
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
    const std::size_t n = controlPoints_.size() - 1;
    const Point start = startPoint();
    const Point end = endPoint();
    for (std::size_t i = 1; i < n; ++i) {
        const double t = static_cast<double>(i) / static_cast<double>(n);
        controlPoints_[i] = Point(start.x + t * (end.x - start.x), start.y + t * (end.y - start.y));
    }
}

void DiagramLink::translateInnerPoints(double dx, double dy) {
    if (!finite(dx) || !finite(dy) || controlPoints_.size() < 3) return;
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

void DiagramLink::updateFromPoints() {
    originConnection()->saveRelativePosition();
    destinationConnection()->saveRelativePosition();
    if (const auto d = diagram()) d->invalidate();
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
    if (!shape || shape->linkSegmentInset() == 100 || p1 == p2 || !finite(size)) return p1;
    const double length = p1.distance(p2);
    const double along = size * (100 - shape->linkSegmentInset()) * 0.01;
    const Point moved(p1.x + (p2.x - p1.x) / length * along, p1.y + (p2.y - p1.y) / length * along);
    return finite(moved) ? moved : p1;
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
    if (!finite(point) || std::isnan(threshold) || controlPoints_.empty()) return false;
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
    if (controlPoints_.empty() || !finite(point)) return;
    controlPoints_.back() = point;
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
    if (!finite(margin)) margin = 0;

    TextSize measured;
    // A font without a size has no glyphs to measure.
    if (finite(size) && size > 0)
        measured = layoutText(text, getEffectiveFontName(), size, wrap, maxWidth);

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

// --- Ends ----------------------------------------------------------------------------------

std::shared_ptr<ConnectionPoint> DiagramLink::originConnection() {
    if (!originConnection_)
        originConnection_ = std::make_shared<VirtualConnectionPoint>(self(), false);
    return originConnection_;
}

void DiagramLink::setOriginConnection(std::shared_ptr<ConnectionPoint> connection) {
    originConnection_ = std::move(connection);
}

std::shared_ptr<ConnectionPoint> DiagramLink::destinationConnection() {
    if (!destinationConnection_)
        destinationConnection_ = std::make_shared<VirtualConnectionPoint>(self(), true);
    return destinationConnection_;
}

void DiagramLink::setDestinationConnection(std::shared_ptr<ConnectionPoint> connection) {
    destinationConnection_ = std::move(connection);
}

std::shared_ptr<DiagramNode> DiagramLink::origin() {
    return nodeOf(originConnection());
}

void DiagramLink::setOrigin(const std::shared_ptr<DiagramNode>& node) {
    reconnectOrigin(node, true);
}

std::shared_ptr<DiagramNode> DiagramLink::destination() {
    return nodeOf(destinationConnection());
}

void DiagramLink::setDestination(const std::shared_ptr<DiagramNode>& node) {
    reconnectDestination(node, true);
}

void DiagramLink::reconnectOrigin(const std::shared_ptr<DiagramNode>& node, bool alignOther) {
    reconnect(node, alignOther, false);
}

void DiagramLink::reconnectDestination(const std::shared_ptr<DiagramNode>& node, bool alignOther) {
    reconnect(node, alignOther, true);
}

void DiagramLink::reconnect(const std::shared_ptr<DiagramNode>& node, bool alignOther,
                            bool incoming) {
    const std::shared_ptr<DiagramNode> target = node ? node : VirtualNode::instance();
    if (target == (incoming ? destination() : origin())) return;
    if (controlPoints_.empty()) return;
    if (alignOther) {
        const auto other = incoming ? originConnection() : destinationConnection();
        other->alignToNode(target->bounds().center());
    }
    connectEnd(target, incoming, incoming ? startPoint() : endPoint(), true);
}

void DiagramLink::connectEnd(const std::shared_ptr<DiagramNode>& node, bool incoming,
                             std::optional<Point> point, bool relink) {
    if (controlPoints_.empty()) return;
    const std::shared_ptr<DiagramNode> target = node ? node : VirtualNode::instance();
    const auto old = incoming ? destinationConnection() : originConnection();
    if (!point) point = (incoming ? origin() : destination())->bounds().center();
    if (!finite(*point)) return;

    auto connection = target->createConnectionPoint(self(), *point, incoming);
    if (!connection) return;
    connection->alignToNode(*point);
    if (relink) {
        old->removeLinkFromNode();
        connection->addLinkToNode();
    }
    if (incoming)
        destinationConnection_ = std::move(connection);
    else
        originConnection_ = std::move(connection);
}

void DiagramLink::connectEndAt(Point point, bool incoming, bool relink) {
    if (!finite(point)) return;
    std::shared_ptr<DiagramNode> node;
    if (const auto d = diagram()) {
        node = d->getNodeAt(point, true);
        if (!node) node = d->getNearestNode(point, 10.0, incoming ? origin() : destination(), true);
    }
    connectEnd(node ? node : VirtualNode::instance(), incoming, point, relink);
}

int DiagramLink::originAnchor() {
    return originConnection()->anchor();
}

void DiagramLink::setOriginAnchor(int anchor) {
    setAnchor(anchor, false);
}

int DiagramLink::destinationAnchor() {
    return destinationConnection()->anchor();
}

void DiagramLink::setDestinationAnchor(int anchor) {
    setAnchor(anchor, true);
}

void DiagramLink::setAnchor(int anchor, bool incoming) {
    const auto connection = incoming ? destinationConnection() : originConnection();
    connection->setAnchor(anchor);
    const auto position = (incoming ? destination() : origin())->getAnchorPointPosition(anchor);
    if (!position || controlPoints_.empty()) return;
    if (incoming)
        setEndPoint(*position);
    else
        setStartPoint(*position);
    shapeImpl()->adjustAfterEndsMoved(*this);
}

void DiagramLink::alignEndsToRows() {
    const std::size_t n = controlPoints_.size();
    if (n == 0) return;
    if (originConnection()->row() >= 0) {
        originConnection()->alignToNode(startPoint());
        if (n >= 3) {
            cascadeStartHorizontal_ = true;
            controlPoints_[1].y = controlPoints_[0].y;
        }
    }
    if (destinationConnection()->row() >= 0) {
        destinationConnection()->alignToNode(endPoint());
        if (n >= 3) {
            cascadeStartHorizontal_ = true;
            const int last = static_cast<int>(n) - 2;
            if (CascadingShapeImpl::isHorizontalSegment(last, true))
                controlPoints_[n - 2].y = controlPoints_[n - 1].y;
            else
                controlPoints_[n - 2].x = controlPoints_[n - 1].x;
        }
    }
}

// --- Text ----------------------------------------------------------------------------------

std::string DiagramLink::getTextToEdit() {
    return text();
}

void DiagramLink::setEditedText(const std::string& text) {
    setText(text);
}

Rect DiagramLink::getEditRect(const std::shared_ptr<DiagramItem>&, Point pointerPosition) {
    const double mm = millimetre();
    return Rect(pointerPosition.x - 20 * mm, pointerPosition.y - 10 * mm, 40 * mm, 20 * mm);
}

void DiagramLink::raiseItemTextEditing(const std::string& oldText, const std::string& newText) {
    const auto d = diagram();
    if (!d) return;
    EditLinkTextEventArgs args(self(), oldText, newText);
    d->linkTextEditing().raise(*d, args);
}

void DiagramLink::raiseItemTextEdited(const std::string& oldText, const std::string& newText) {
    const auto d = diagram();
    if (!d) return;
    EditLinkTextEventArgs args(self(), oldText, newText);
    d->linkTextEdited().raise(*d, args);
}

std::shared_ptr<DiagramItem> DiagramLink::getEditedItem() {
    return shared_from_this();
}

// --- Appearance ----------------------------------------------------------------------------

void DiagramLink::setHeadStroke(std::shared_ptr<Color> color) {
    if (!color || sameColor(color, headStroke_)) return;
    headStroke_ = std::move(color);
    repaint();
}

void DiagramLink::setHeadStrokeThickness(double thickness) {
    if (!finite(thickness) || thickness == headStrokeThickness_) return;
    headStrokeThickness_ = thickness;
    repaint();
}

void DiagramLink::setHeadShape(std::shared_ptr<Shape> shape) {
    if (shape == headShape_) return;
    headShape_ = std::move(shape);
    repaint();
}

void DiagramLink::setHeadShapeSize(double size) {
    if (!finite(size) || size == headShapeSize_) return;
    headShapeSize_ = size;
    repaint();
}

void DiagramLink::setHeadBrush(std::shared_ptr<Brush> brush) {
    if (brush == headBrush_) return;
    headBrush_ = std::move(brush);
    repaint();
}

void DiagramLink::setBaseShape(std::shared_ptr<Shape> shape) {
    if (shape == baseShape_) return;
    baseShape_ = std::move(shape);
    repaint();
}

void DiagramLink::setBaseShapeSize(double size) {
    if (!finite(size) || size == baseShapeSize_) return;
    baseShapeSize_ = size;
    repaint();
}

void DiagramLink::setBaseBrush(std::shared_ptr<Brush> brush) {
    if (brush == baseBrush_) return;
    baseBrush_ = std::move(brush);
    repaint();
}

void DiagramLink::setIntermediateShape(std::shared_ptr<Shape> shape) {
    if (shape == intermediateShape_) return;
    intermediateShape_ = std::move(shape);
    repaint();
}

void DiagramLink::setIntermediateShapeSize(double size) {
    if (!finite(size) || size == intermediateShapeSize_) return;
    intermediateShapeSize_ = size;
    repaint();
}

void DiagramLink::setIntermediateBrush(std::shared_ptr<Brush> brush) {
    if (brush == intermediateBrush_) return;
    intermediateBrush_ = std::move(brush);
    repaint();
}

void DiagramLink::setDrawCrossings(bool draw) {
    if (draw == drawCrossings_) return;
    drawCrossings_ = draw;
    repaint();
}

void DiagramLink::setCrossingRadius(double radius) {
    if (!finite(radius) || radius == crossingRadius_) return;
    crossingRadius_ = radius;
    repaint();
}

// --- Item ----------------------------------------------------------------------------------

std::shared_ptr<DiagramItemState> DiagramLink::createState() {
    auto state = std::make_shared<DiagramLinkState>();
    state->setOriginConnection(originConnection());
    state->setDestinationConnection(destinationConnection());
    state->setControlPoints(controlPoints_);
    state->setCascadeStartHorizontal(cascadeStartHorizontal_);
    return state;
}

std::shared_ptr<DiagramItemState> DiagramLink::saveState() {
    std::shared_ptr<DiagramItemState> state = DiagramItem::saveState();
    if (auto s = std::dynamic_pointer_cast<DiagramLinkState>(state)) {
        s->setOriginConnection(originConnection());
        s->setDestinationConnection(destinationConnection());
        s->setControlPoints(controlPoints_);
        s->setShape(shape_);
        s->setBaseShapeSize(baseShapeSize_);
        s->setHeadShapeSize(headShapeSize_);
        s->setIntermediateShapeSize(intermediateShapeSize_);
        s->setBaseShape(baseShape_);
        s->setHeadShape(headShape_);
        s->setIntermediateShape(intermediateShape_);
        s->setBaseBrush(baseBrush_);
        s->setHeadBrush(headBrush_);
        s->setIntermediateBrush(intermediateBrush_);
        s->setAutoRoute(autoRoute_);
        s->setLabels(labels_);
    }
    return state;
}

void DiagramLink::restoreEnds(const DiagramLinkState& state) {
    const std::shared_ptr<ConnectionPoint> oldOrigin = originConnection();
    const std::shared_ptr<ConnectionPoint> oldDestination = destinationConnection();
    const std::shared_ptr<ConnectionPoint>& newOrigin =
        state.originConnection() ? state.originConnection() : oldOrigin;
    const std::shared_ptr<ConnectionPoint>& newDestination =
        state.destinationConnection() ? state.destinationConnection() : oldDestination;

    // A link that none of its nodes lists any more has left its document: bringing back an end
    // must not enter it in a node's list again.
    const std::shared_ptr<DiagramLink> me = self();
    bool anyRealEnd = false;
    bool listedSomewhere = false;
    for (const auto& end : {oldOrigin, oldDestination}) {
        const std::shared_ptr<DiagramNode> node = end->node();
        if (!node || !node->isRealNode()) continue;
        anyRealEnd = true;
        const auto& list = end->incoming() ? node->incomingLinks() : node->outgoingLinks();
        if (std::find(list.begin(), list.end(), me) != list.end()) listedSomewhere = true;
    }
    const bool listed = !anyRealEnd || listedSomewhere;

    const auto relist = [listed](const std::shared_ptr<ConnectionPoint>& from,
                                 const std::shared_ptr<ConnectionPoint>& to) {
        if (!listed || from == to) return;
        if (from->node() == to->node() && from->incoming() == to->incoming()) return;
        from->removeLinkFromNode();
        to->addLinkToNode();
    };
    relist(oldOrigin, newOrigin);
    relist(oldDestination, newDestination);
    setOriginConnection(newOrigin);
    setDestinationConnection(newDestination);
}

void DiagramLink::restoreState(const DiagramItemState& state) {
    DiagramItem::restoreState(state);
    const auto* s = dynamic_cast<const DiagramLinkState*>(&state);
    if (!s) return;
    restoreEnds(*s);
    // A link needs two points; a state without them keeps the link's own.
    if (s->controlPoints().size() >= 2) setControlPoints(s->controlPoints());
    setShape(s->shape());
    setBaseShapeSize(s->baseShapeSize());
    setHeadShapeSize(s->headShapeSize());
    setIntermediateShapeSize(s->intermediateShapeSize());
    setBaseShape(s->baseShape());
    setHeadShape(s->headShape());
    setIntermediateShape(s->intermediateShape());
    setBaseBrush(s->baseBrush());
    setHeadBrush(s->headBrush());
    setIntermediateBrush(s->intermediateBrush());
    setAutoRoute(s->autoRoute());
    setLabels(s->labels());
}

void DiagramLink::restoreLocation(const DiagramItemState& state) {
    const auto* s = dynamic_cast<const DiagramLinkState*>(&state);
    if (!s) return;
    if (s->controlPoints().size() >= 2) setControlPoints(s->controlPoints());
    restoreEnds(*s);
    setCascadeStartHorizontal(s->cascadeStartHorizontal());
}

void DiagramLink::saveToXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramItem::saveToXml(element, context);
    const std::shared_ptr<ConnectionPoint> originEnd = originConnection();
    const std::shared_ptr<ConnectionPoint> destinationEnd = destinationConnection();
    const std::shared_ptr<DiagramNode> from = nodeOf(originEnd);
    const std::shared_ptr<DiagramNode> to = nodeOf(destinationEnd);

    context.writeItemReference(from, "Origin", element);
    context.writeInt(originEnd->anchor(), "OriginAnchor", element);
    if (from->connectsToRows()) context.writeInt(originEnd->row(), "OriginRow", element);
    context.writeItemReference(to, "Destination", element);
    context.writeInt(destinationEnd->anchor(), "DestinationAnchor", element);
    if (to->connectsToRows()) context.writeInt(destinationEnd->row(), "DestinationRow", element);
    context.writeInt(segmentCount(), "SegmentCount", element);
    context.writeBool(cascadeStartHorizontal_, "CascadeStartHorizontal", element);
    context.writePointCollection(controlPoints_, "Points", element);
    context.writeEnum(shape_, "Shape", element);
    context.writeBool(autoRoute_, "AutoRoute", element);
    context.writeShape(baseShape_, "BaseShape", element);
    context.writeDouble(baseShapeSize_, "BaseShapeSize", element);
    context.writeShape(intermediateShape_, "IntermediateShape", element);
    context.writeDouble(intermediateShapeSize_, "IntermediateShapeSize", element);
    context.writeShape(headShape_, "HeadShape", element);
    context.writeDouble(headShapeSize_, "HeadShapeSize", element);
    context.writeColor(headStroke_, "HeadStroke", element);
    context.writeDouble(headStrokeThickness_, "HeadStrokeThickness", element);
    if (!labels_.empty()) {
        const std::shared_ptr<XmlElement> container = context.addChildElement("Labels", element);
        for (const auto& label : labels_) {
            if (!label) continue;
            label->saveToXml(context.addChildElement("Label", container), context);
        }
    }
}

std::shared_ptr<ConnectionPoint> DiagramLink::loadEnd(const std::shared_ptr<XmlElement>& element,
                                                      XmlContext& context, bool incoming) {
    std::shared_ptr<DiagramNode> node = std::dynamic_pointer_cast<DiagramNode>(
        context.readItemReference(incoming ? "Destination" : "Origin", element));
    if (!node) node = VirtualNode::instance();
    const std::shared_ptr<DiagramLink> me = self();
    const Point p = incoming ? endPoint() : startPoint();
    std::shared_ptr<ConnectionPoint> end = node->createConnectionPoint(me, p, incoming);
    if (!end) end = VirtualNode::instance()->createConnectionPoint(me, p, incoming);
    if (!end) end = std::make_shared<VirtualConnectionPoint>(me, incoming);

    Point relative;
    const std::shared_ptr<DiagramNode> at = end->node();
    if (at && at->isRealNode()) {
        const Rect b = at->bounds();
        // A node without width or height has no place along that axis but its edge.
        if (b.width != 0) relative.x = (p.x - b.x) * 100 / b.width;
        if (b.height != 0) relative.y = (p.y - b.y) * 100 / b.height;
        if (!finite(relative)) relative = Point();
    }
    end->setRelativePosition(relative);
    if (const auto anchor = readInt(*element, incoming ? "DestinationAnchor" : "OriginAnchor", 0))
        end->setAnchor(*anchor);
    if (const auto row = readInt(*element, incoming ? "DestinationRow" : "OriginRow", -1))
        end->setRow(*row);
    end->addLinkToNode();
    return end;
}

void DiagramLink::loadFromXml(const std::shared_ptr<XmlElement>& element, XmlContext& context) {
    if (!element) return;
    DiagramItem::loadFromXml(element, context);
    const XmlElement& e = *element;

    std::vector<Point> points;
    for (const Point& p : context.readPointCollection("Points", element)) {
        if (finite(p)) points.push_back(p);
    }
    // Without two points the ends come from the nodes: a lone point stands for a loose end, and
    // with none a loose end stays where the link had it.
    const bool whole = points.size() >= 2;
    if (whole) {
        controlPoints_ = std::move(points);
    } else {
        if (!points.empty())
            controlPoints_ = {points.front(), points.front()};
        else
            controlPoints_ = {startPoint(), endPoint()};
    }

    // A link read again leaves the nodes it was listed by.
    if (originConnection_) originConnection_->removeLinkFromNode();
    if (destinationConnection_) destinationConnection_->removeLinkFromNode();
    originConnection_ = loadEnd(element, context, false);
    destinationConnection_ = loadEnd(element, context, true);
    if (!whole) {
        for (const auto& end : {originConnection_, destinationConnection_}) {
            const std::shared_ptr<DiagramNode> node = end->node();
            if (!node || !node->isRealNode()) continue;
            const Point c = node->bounds().center();
            if (end->incoming())
                setEndPoint(c);
            else
                setStartPoint(c);
        }
        clipEndsToOutlines();
    }

    const bool current = context.fileVersion() > 15;
    if (const auto raw = readInt(e, current ? "Shape" : "Style", 0)) {
        LinkShape shape = LinkShape::polyline;
        if (*raw == 0) shape = LinkShape::bezier;
        if (*raw == 2) shape = LinkShape::cascading;
        if (*raw == 3 && current) shape = LinkShape::spline;
        setShape(shape);
    }
    cascadeStartHorizontal_ = e.readBool("CascadeStartHorizontal", false);
    autoRoute_ = e.readBool("AutoRoute", false);

    setHeadShape(context.readShape("HeadShape", element, nullptr));
    if (const auto size = readFinite(e, "HeadShapeSize", 0.0)) setHeadShapeSize(*size);
    setBaseShape(context.readShape("BaseShape", element, nullptr));
    if (const auto size = readFinite(e, "BaseShapeSize", 0.0)) setBaseShapeSize(*size);
    setIntermediateShape(context.readShape("IntermediateShape", element, nullptr));
    if (const auto size = readFinite(e, "IntermediateShapeSize", 0.0))
        setIntermediateShapeSize(*size);

    if (context.fileVersion() >= 16) {
        setHeadStroke(e.readColor("HeadStroke", Colors::Black()));
        if (const auto width = readFinite(e, "HeadStrokeThickness", 1.0))
            setHeadStrokeThickness(*width);
    } else if (const std::shared_ptr<XmlElement> pen = e.getChild("HeadPen")) {
        setHeadStroke(pen->readColor("Color", Colors::Black()));
        if (const auto width = readFinite(*pen, "Width", 1.0)) setHeadStrokeThickness(*width);
    }

    if (const std::shared_ptr<XmlElement> container = e.getChild("Labels")) {
        for (const auto& child : container->children()) {
            // Character data between the label elements is no label.
            if (!child || child->name().empty()) continue;
            auto label = std::make_shared<LinkLabel>(self());
            label->loadFromXml(child, context);
            labels_.push_back(std::move(label));
        }
    }
}

std::shared_ptr<Style> DiagramLink::resolveInheritedStyle(
    const StylePredicate& predicate, const std::shared_ptr<Theme>& theme) const {
    if (theme && predicate && !theme->styles().empty()) {
        const auto it = theme->styles().find("DiagramLink");
        if (it != theme->styles().end() && it->second && predicate(*it->second)) return it->second;
    }
    return DiagramItem::resolveInheritedStyle(predicate, theme);
}

std::string DiagramLink::getClassId() const {
    return "std:DiagramLink";
}

Metatype<DiagramItem> DiagramLink::getClassType() const {
    return Metatype<DiagramItem>([] { return std::make_shared<DiagramLink>(); }, getClassId());
}

bool DiagramLink::cachesLinkCrossings() const {
    return true;
}

// --- Crossings -----------------------------------------------------------------------------

Point DiagramLink::getTrimmedPoint(int index) const {
    const int n = static_cast<int>(controlPoints_.size());
    if (index < 0 || index >= n) return Point();
    const auto i = static_cast<std::size_t>(index);
    if (n >= 2 && index == 0 && baseShape_ && baseShape_->linkSegmentInset() != 100)
        return getInsetEndPoint(controlPoints_[0], controlPoints_[1], baseShape_, baseShapeSize_);
    if (n >= 2 && index == n - 1 && headShape_ && headShape_->linkSegmentInset() != 100)
        return getInsetEndPoint(controlPoints_[i], controlPoints_[i - 1], headShape_,
                                headShapeSize_);
    return controlPoints_[i];
}

std::shared_ptr<DiagramLink::CrossingsData> DiagramLink::computeCrossings() {
    const std::shared_ptr<Diagram> d = diagram();
    const LinkCrossings mode = d ? d->linkCrossings() : LinkCrossings::straight;
    const double radius = d ? d->crossingRadius() : 0.0;
    auto& data = runtimeData();
    if (const auto it = data.find(RuntimeDataKey::linkCrossings); it != data.end()) {
        auto cached = std::dynamic_pointer_cast<CrossingsData>(it->second);
        if (cached && cached->isCurrentFor(*this, mode, radius)) return cached;
    }

    auto crossings = std::make_shared<CrossingsData>(segmentCount());
    // Without a document there are no other links to cross.
    if (!d) return crossings;
    data[RuntimeDataKey::linkCrossings] = crossings;

    // A link outside the item list lies above every item.
    const auto& items = d->items();
    const int count = static_cast<int>(items.size());
    int position = count;
    if (!standalone()) {
        const int index = runtimeIndex();
        if (index < 0 || index >= count || items[static_cast<std::size_t>(index)].get() != this)
            d->updateRuntimeIndices();
        const int refreshed = runtimeIndex();
        if (refreshed >= 0 && refreshed < count &&
            items[static_cast<std::size_t>(refreshed)].get() == this)
            position = refreshed;
    }
    const bool below = mode == LinkCrossings::arc;
    const auto others = d->getLinksInZOrder(below, position, getBounds());
    crossings->build(*this, others, mode, radius, 0.5 * millimetre());
    return crossings;
}

// --- Drawing -------------------------------------------------------------------------------

void DiagramLink::draw(Canvas& canvas) {
    draw(canvas, RenderOptions());
}

void DiagramLink::draw(Canvas& canvas, const RenderOptions& options) {
    canvas.saveState();
    const std::shared_ptr<Color> stroke = getEffectiveStroke();
    canvas.setStroke(stroke ? *stroke : *Colors::Black());
    // A thickness of 0 is a hairline of one pixel.
    canvas.setStrokeThickness(getEffectiveStrokeThickness());
    const std::shared_ptr<Brush> brush = getEffectiveBrush();
    canvas.setBrush(brush);
    apply(strokeDashStyle(), canvas);

    if (customDraw_ != CustomDraw::full && controlPoints_.size() >= 2) {
        std::vector<Point> points = controlPoints_;
        const std::size_t n = points.size();
        points[n - 1] = getInsetEndPoint(controlPoints_[n - 1], controlPoints_[n - 2], headShape_,
                                         headShapeSize_);
        points[0] =
            getInsetEndPoint(controlPoints_[0], controlPoints_[1], baseShape_, baseShapeSize_);
        const std::shared_ptr<LinkShapeImpl> impl = shapeImpl();
        impl->draw(*this, points, canvas);

        canvas.setBrush(baseBrush_ ? baseBrush_ : brush);
        drawShapeAlongSegment(canvas, baseShape_, controlPoints_[0], getFirstDistinctPoint(),
                              baseShapeSize_);
        if (intermediateShape_) {
            canvas.setBrush(intermediateBrush_ ? intermediateBrush_ : brush);
            const int segments = segmentCount();
            for (int i = 0; i < segments; ++i) {
                impl->drawIntermediateShapes(canvas, intermediateShape_, intermediateShapeSize_,
                                             *this, points, i);
            }
        }
        canvas.setBrush(headBrush_ ? headBrush_ : brush);
        drawShapeAlongSegment(canvas, headShape_, controlPoints_[n - 1], getLastDistinctPoint(),
                              headShapeSize_);
    }

    // A copy: a label's drawing cannot disturb the walk over the list.
    const auto labels = labels_;
    for (const auto& label : labels) {
        if (label) label->draw(canvas);
    }

    if (customDraw_ != CustomDraw::full && !text().empty() && options.enableText() &&
        options.scale() >= 1.0)
        updateTextLayout(canvas);
    canvas.restoreState();
}

void DiagramLink::drawArrowhead(Canvas& canvas, const std::shared_ptr<Shape>& shape, Point,
                                Point position, Point segmentStart, double size) {
    drawShapeAlongSegment(canvas, shape, position, segmentStart, size);
}

void DiagramLink::drawShapeAlongSegment(Canvas& canvas, const std::shared_ptr<Shape>& shape,
                                        Point position, Point segmentStart, double size) {
    if (!shape || !finite(position) || !finite(segmentStart) || !finite(size)) return;
    const double dx = position.x - segmentStart.x;
    const double dy = position.y - segmentStart.y;
    // Screen angles: y grows downwards, so 90 degrees points up the screen.
    double angle = 0;
    if (!(position == segmentStart)) {
        angle = std::atan(-dy / dx) * 180.0 / std::numbers::pi;
        if (dx < 0) angle += 180;
    }
    canvas.saveState();
    canvas.translateTransform(position.x, position.y);
    canvas.rotateTransform(90 - angle);
    canvas.translateTransform(-position.x, -position.y);
    // The shape points up with its tip at the middle of its square's top edge.
    shape->draw(canvas, Rect(position.x - size * 0.5, position.y, size, size), false, false);
    canvas.restoreState();
}

void DiagramLink::drawHandles(Canvas& canvas) {
    const std::shared_ptr<Diagram> d = diagram();
    const double size = d ? d->adjustmentHandlesSize() : 2.0;
    if (handlesStyle() != HandlesStyle::squareHandles) return;
    SquareHandlesImpl::instance().drawPointHandles(canvas, controlPoints_, size);
}

Rect DiagramLink::measureLinkText() {
    const std::shared_ptr<Diagram> d = diagram();
    const std::shared_ptr<MeasureUnit> fontUnit = getEffectiveFontUnit();
    TextMeasure key;
    key.text = text();
    key.fontName = getEffectiveFontName();
    key.fontSize = getEffectiveFontSize();
    key.fontUnit = fontUnit.get();
    key.unit = d && d->measureUnit() ? d->measureUnit().get() : nullptr;
    key.horizontal = horizontalTextAlignment();
    key.vertical = verticalTextAlignment();
    key.start = startPoint();
    key.end = endPoint();
    const TextMeasure* last = textMeasure_ ? &*textMeasure_ : nullptr;
    if (last && last->text == key.text && last->fontName == key.fontName &&
        last->fontSize == key.fontSize && last->fontUnit == key.fontUnit &&
        last->unit == key.unit && last->horizontal == key.horizontal &&
        last->vertical == key.vertical && last->start == key.start && last->end == key.end) {
        return last->rect;
    }
    key.rect = measureText(key.text, true, key.start.distance(key.end), 1.0);
    textMeasure_ = key;
    return key.rect;
}

void DiagramLink::updateTextLayout(Canvas& canvas) {
    if (!textLayout_ || !textLayout_->rectangles.empty())
        textLayout_ = std::make_shared<TextLayout>();
    if (controlPoints_.empty()) return;
    textLayout_->rectangles.push_back(measureLinkText());
    textLayout_->angles.push_back(0.0);
    textLayout_->strings.push_back(text());

    const std::shared_ptr<Color> color = getEffectiveTextColor();
    for (std::size_t i = 0; i < textLayout_->rectangles.size(); ++i) {
        const Rect& r = textLayout_->rectangles[i];
        const double angle = textLayout_->angles[i];
        if (angle != 0) {
            canvas.saveState();
            canvas.translateTransform(r.x, r.y);
            canvas.rotateTransform(angle);
            canvas.translateTransform(-r.x, -r.y);
        }
        canvas.setFont(getEffectiveFontName(), getEffectiveFontSize(), getEffectiveFontUnit());
        if (color) canvas.setTextColor(color);
        canvas.drawText(textLayout_->strings[i], r, horizontalTextAlignment(),
                        verticalTextAlignment(), false, false, false);
        if (angle != 0) canvas.restoreState();
    }
}

}  // namespace nodeloom
