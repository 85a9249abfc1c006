#include "Nodeloom/links/DiagramLink.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <numbers>

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
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/SquareHandlesImpl.h"

namespace nodeloom {

namespace {





bool sameColor(const std::shared_ptr<Color>& a, const std::shared_ptr<Color>& b) {
    if (a == b) return true;
    return a && b && *a == *b;
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
    return isFinite(factor) && factor > 0 ? factor : 1.0;
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

namespace {

// A link of a document ends only on nodes of that document, or loose: one moved onto a node
// outside it would dangle there and be saved naming an item the file does not hold.
bool strays(DiagramLink& link, DiagramNode& node) {
    const std::shared_ptr<Diagram> d = link.diagram();
    return d && d->contains(link) && node.isRealNode() && !d->contains(node);
}

}  // namespace

void DiagramLink::reconnect(const std::shared_ptr<DiagramNode>& node, bool alignOther,
                            bool incoming) {
    const std::shared_ptr<DiagramNode> target = node ? node : VirtualNode::instance();
    if (target == (incoming ? destination() : origin())) return;
    if (controlPoints_.empty() || strays(*this, *target)) return;
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
    if (strays(*this, *target)) return;
    const auto old = incoming ? destinationConnection() : originConnection();
    if (!point) point = (incoming ? origin() : destination())->bounds().center();
    if (!isFinite(*point)) return;

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
    if (!isFinite(point)) return;
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
    hitAreaChanged();
    if (originConnection()->sitsOnRow()) {
        originConnection()->alignToNode(startPoint());
        if (n >= 3) {
            cascadeStartHorizontal_ = true;
            controlPoints_[1].y = controlPoints_[0].y;
        }
    }
    if (destinationConnection()->sitsOnRow()) {
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

void DiagramLink::setAutoRoute(bool autoRoute) {
    if (autoRoute == autoRoute_) return;
    autoRoute_ = autoRoute;
    if (const std::shared_ptr<Diagram> d = diagram()) d->linkAutoRouteChanged();
}

// --- Appearance ----------------------------------------------------------------------------

void DiagramLink::setHeadStroke(std::shared_ptr<Color> color) {
    if (!color || sameColor(color, headStroke_)) return;
    headStroke_ = std::move(color);
    repaint();
}

void DiagramLink::setHeadStrokeThickness(double thickness) {
    if (!isFinite(thickness) || thickness == headStrokeThickness_) return;
    headStrokeThickness_ = thickness;
    repaint();
}

void DiagramLink::setHeadShape(std::shared_ptr<Shape> shape) {
    if (shape == headShape_) return;
    headShape_ = std::move(shape);
    repaint();
}

void DiagramLink::setHeadShapeSize(double size) {
    if (!isFinite(size) || size == headShapeSize_) return;
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
    if (!isFinite(size) || size == baseShapeSize_) return;
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
    if (!isFinite(size) || size == intermediateShapeSize_) return;
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
    if (!isFinite(radius) || radius == crossingRadius_) return;
    crossingRadius_ = radius;
    repaint();
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

}  // namespace nodeloom
