#include "Nodeloom/document/Factory.h"

#include <cmath>

#include "Nodeloom/composite/ContainerNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: factory creates every item kind

namespace nodeloom {


// --- Nodes -----------------------------------------------------------------------------------

bool Factory::place(const std::shared_ptr<DiagramNode>& node, const Rect& bounds) {
    if (diagram_ == nullptr || !node || !isFinite(bounds)) return false;
    node->setDiagram(diagram_->weak_from_this().lock());
    node->_setBounds(bounds);
    diagram_->addItem(node);
    return true;
}

std::shared_ptr<ShapeNode> Factory::createShapeNode(double x, double y, double width,
                                                    double height) {
    auto node = std::make_shared<ShapeNode>();
    return place(node, Rect(x, y, width, height)) ? node : nullptr;
}

std::shared_ptr<ShapeNode> Factory::createShapeNode(Point location, Size size) {
    return createShapeNode(location.x, location.y, size.width, size.height);
}

std::shared_ptr<ShapeNode> Factory::createShapeNode(const Rect& bounds) {
    return createShapeNode(bounds.x, bounds.y, bounds.width, bounds.height);
}

std::shared_ptr<ShapeNode> Factory::createShapeNode(double x, double y, double width, double height,
                                                    const std::shared_ptr<Shape>& shape) {
    auto node = createShapeNode(x, y, width, height);
    if (node && shape) node->setShape(shape);
    return node;
}

std::shared_ptr<ShapeNode> Factory::createShapeNode(Point location, Size size,
                                                    const std::shared_ptr<Shape>& shape) {
    return createShapeNode(location.x, location.y, size.width, size.height, shape);
}

std::shared_ptr<ShapeNode> Factory::createShapeNode(const Rect& bounds,
                                                    const std::shared_ptr<Shape>& shape) {
    return createShapeNode(bounds.x, bounds.y, bounds.width, bounds.height, shape);
}

std::shared_ptr<ContainerNode> Factory::createContainerNode(double x, double y, double width,
                                                            double height) {
    auto node = std::make_shared<ContainerNode>();
    return place(node, Rect(x, y, width, height)) ? node : nullptr;
}

std::shared_ptr<ContainerNode> Factory::createContainerNode(Point location, Size size) {
    return createContainerNode(location.x, location.y, size.width, size.height);
}

std::shared_ptr<ContainerNode> Factory::createContainerNode(const Rect& bounds) {
    return createContainerNode(bounds.x, bounds.y, bounds.width, bounds.height);
}

// --- Links -----------------------------------------------------------------------------------

std::shared_ptr<DiagramLink> Factory::newLink() const {
    auto link = std::make_shared<DiagramLink>();
    link->setDiagram(diagram_->weak_from_this().lock());
    return link;
}

void Factory::finish(const std::shared_ptr<DiagramLink>& link) {
    link->setSegmentCount(diagram_->linkSegments());
    diagram_->addLinkInternal(link, true);
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<DiagramNode>& origin, const std::shared_ptr<DiagramNode>& destination) {
    if (diagram_ == nullptr || !origin || !destination) return nullptr;
    auto link = newLink();
    const Point from = origin->bounds().center();
    const Point to = destination->bounds().center();
    link->setStartPoint(from);
    link->setOriginConnection(origin->createConnectionPoint(link, from, false));
    link->setEndPoint(to);
    link->setDestinationConnection(destination->createConnectionPoint(link, to, true));
    link->originConnection()->alignToNode(to);
    link->destinationConnection()->alignToNode(from);
    finish(link);
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<ShapeNode>& origin, int originAnchor,
    const std::shared_ptr<ShapeNode>& destination, int destAnchor) {
    if (diagram_ == nullptr || !origin || !destination) return nullptr;
    auto link = newLink();
    link->setOriginConnection(
        origin->createConnectionPoint(link, origin->bounds().center(), false));
    link->setDestinationConnection(
        destination->createConnectionPoint(link, destination->bounds().center(), true));
    finish(link);
    link->clipEndsToOutlines();
    // Through the link, so that each end also moves onto its anchor point: setting only the
    // connections' indexes would leave the ends on the outlines until a node next moved.
    link->setOriginAnchor(originAnchor);
    link->setDestinationAnchor(destAnchor);
    link->stretchToPoint(link->controlPoints().back());
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(const std::shared_ptr<DiagramNode>& origin,
                                                        Point destination) {
    if (diagram_ == nullptr || !origin || !isFinite(destination)) return nullptr;
    auto link = newLink();
    const Point from = origin->bounds().center();
    link->setStartPoint(from);
    link->setOriginConnection(origin->createConnectionPoint(link, from, false));
    link->setEndPoint(destination);
    link->setDestinationConnection(std::make_shared<VirtualConnectionPoint>(link, true));
    link->originConnection()->alignToNode(destination);
    finish(link);
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    Point origin, const std::shared_ptr<DiagramNode>& destination) {
    if (diagram_ == nullptr || !isFinite(origin) || !destination) return nullptr;
    auto link = newLink();
    link->setStartPoint(origin);
    link->setOriginConnection(std::make_shared<VirtualConnectionPoint>(link, false));
    const Point to = destination->bounds().center();
    link->setEndPoint(to);
    link->setDestinationConnection(destination->createConnectionPoint(link, to, true));
    link->destinationConnection()->alignToNode(origin);
    finish(link);
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(Point origin, Point destination) {
    if (diagram_ == nullptr || !isFinite(origin) || !isFinite(destination)) return nullptr;
    auto link = newLink();
    link->setStartPoint(origin);
    link->setOriginConnection(std::make_shared<VirtualConnectionPoint>(link, false));
    link->setEndPoint(destination);
    link->setDestinationConnection(std::make_shared<VirtualConnectionPoint>(link, true));
    finish(link);
    return link;
}

}  // namespace nodeloom
