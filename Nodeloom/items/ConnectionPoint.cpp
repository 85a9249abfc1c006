#include "Nodeloom/items/ConnectionPoint.h"

#include <algorithm>
#include <cmath>

#include "Nodeloom/composite/ContainerNode.h"  // Hook: node container
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: nodes and links name each other

namespace nodeloom {

namespace {

// Percent of the extent; a node without width or height puts every end at its edge rather than
// at a position that is not a number.
double percentOf(double offset, double extent) {
    const double value = offset * 100 / extent;
    return std::isfinite(value) ? value : 0.0;
}

}  // namespace

ConnectionPoint::ConnectionPoint(const std::shared_ptr<DiagramNode>& node,
                                 const std::shared_ptr<DiagramLink>& link, bool incoming)
    : node_(node), link_(link), incoming_(incoming) {
    saveRelativePosition();
}

ConnectionPoint::~ConnectionPoint() = default;

Point ConnectionPoint::linkEndPoint() const {
    const auto l = link();
    if (!l) return Point();
    return incoming_ ? l->endPoint() : l->startPoint();
}

void ConnectionPoint::addLinkToNode() {
    const auto n = node();
    const auto l = link();
    if (!n || !l) return;
    auto& list = incoming_ ? n->incomingLinks() : n->outgoingLinks();
    if (std::find(list.begin(), list.end(), l) == list.end()) list.push_back(l);
}

void ConnectionPoint::removeLinkFromNode() {
    const auto n = node();
    const auto l = link();
    if (!n || !l) return;
    auto& list = incoming_ ? n->incomingLinks() : n->outgoingLinks();
    // Sought from the end, where a node that lets all its links go takes them from.
    const auto it = std::find(list.rbegin(), list.rend(), l);
    if (it != list.rend()) list.erase(std::next(it).base());
}

void ConnectionPoint::alignToNode(Point point) {
    const auto n = node();
    const auto l = link();
    if (!n || !l) return;
    const auto [p, index] = getAlignedPoint(point);
    anchor_ = index;
    if (incoming_)
        l->setEndPoint(p);
    else
        l->setStartPoint(p);
    saveRelativePosition();
}

void ConnectionPoint::saveRelativePosition() {
    const auto n = node();
    const auto l = link();
    if (!n || !l) return;
    const Point p = linkEndPoint();
    // A link that leaves a folded container through this end is drawn to the container, where
    // positionFromNode puts the end: its place is a share of the container's bounds, or the next
    // refresh of the link would move it off the strip. A link hidden inside the container keeps
    // its place on its own node.
    std::shared_ptr<ContainerNode> folded = n->container() ? n->getFoldedContainer() : nullptr;
    if (folded) {
        const std::shared_ptr<DiagramNode> other = incoming_ ? l->origin() : l->destination();
        if (other && other->container() && other->getFoldedContainer() == folded) folded.reset();
    }
    const Rect b = folded ? folded->bounds() : n->bounds();
    relativePosition_ = Point(percentOf(p.x - b.x, b.width), percentOf(p.y - b.y, b.height));
}

Point ConnectionPoint::positionFromNode() {
    const auto n = node();
    if (!n) return linkEndPoint();
    if (const auto folded = n->getFoldedContainer())
        return folded->pointFromPercent(relativePosition_.x, relativePosition_.y);
    if (const auto a = getAnchorPoint()) return n->pointFromPercent(a->x(), a->y());
    return n->pointFromPercent(relativePosition_.x, relativePosition_.y);
}

std::shared_ptr<AnchorPoint> ConnectionPoint::getAnchorPoint() {
    const auto n = node();
    if (!n || anchor_ < 0) return nullptr;
    const auto& pattern = n->anchorPattern();
    // The host may have shortened a shared pattern since the end was snapped.
    if (!pattern || static_cast<std::size_t>(anchor_) >= pattern->points().size()) return nullptr;
    return pattern->points()[static_cast<std::size_t>(anchor_)];
}

std::pair<Point, int> ConnectionPoint::getAlignedPoint(Point point) {
    const auto n = node();
    if (!n) return {point, -1};
    const auto nearest = n->getNearestAnchorPoint(point, link(), incoming_);
    if (nearest.second == -1) return {n->getNearestBorderPoint(point), -1};
    return nearest;
}

int ConnectionPoint::row() const {
    return -1;
}

bool ConnectionPoint::sitsOnRow() const {
    return row() >= 0;
}

void ConnectionPoint::setRow(int) {}

bool ConnectionPoint::sharesListWith(const ConnectionPoint& other) const {
    return node() == other.node() && incoming() == other.incoming() && row() == other.row();
}

Point ConnectionPoint::getCenter() {
    const auto n = node();
    if (!n) return linkEndPoint();
    return n->bounds().center();
}

// --- VirtualConnectionPoint ------------------------------------------------------------------

VirtualConnectionPoint::VirtualConnectionPoint(const std::shared_ptr<DiagramLink>& link,
                                               bool incoming)
    : ConnectionPoint(VirtualNode::instance(), link, incoming) {}

VirtualConnectionPoint::VirtualConnectionPoint(const std::shared_ptr<VirtualNode>& node,
                                               const std::shared_ptr<DiagramLink>& link,
                                               bool incoming)
    : ConnectionPoint(node ? node : VirtualNode::instance(), link, incoming),
      ownNode_(node == VirtualNode::instance() ? nullptr : node) {}

void VirtualConnectionPoint::addLinkToNode() {}

void VirtualConnectionPoint::removeLinkFromNode() {}

void VirtualConnectionPoint::alignToNode(Point) {}

Point VirtualConnectionPoint::getCenter() {
    return linkEndPoint();
}

// --- VirtualNode ---------------------------------------------------------------------------

namespace {

std::shared_ptr<VirtualNode>& sharedVirtualNode() {
    static std::shared_ptr<VirtualNode> node;
    return node;
}

}  // namespace

std::shared_ptr<VirtualNode> VirtualNode::instance() {
    auto& node = sharedVirtualNode();
    if (!node) node = std::make_shared<VirtualNode>();
    return node;
}

void VirtualNode::setInstance(std::shared_ptr<VirtualNode> node) {
    sharedVirtualNode() = std::move(node);
}

std::shared_ptr<ConnectionPoint> VirtualNode::createConnectionPoint(
    const std::shared_ptr<DiagramLink>& link, Point, bool incoming) {
    const auto self = std::static_pointer_cast<VirtualNode>(weak_from_this().lock());
    return std::make_shared<VirtualConnectionPoint>(self, link, incoming);
}

bool VirtualNode::isRealNode() const {
    return false;
}

}  // namespace nodeloom
