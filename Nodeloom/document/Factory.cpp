#include "Nodeloom/document/Factory.h"

#include <cmath>

#include "Nodeloom/composite/ContainerNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/composite/TableConnectionPoint.h"  // Hook: factory creates every item kind
#include "Nodeloom/composite/TableNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/composite/TreeViewConnectionPoint.h"  // Hook: factory creates every item kind
#include "Nodeloom/composite/TreeViewNode.h"  // Hook: factory creates every item kind
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: factory creates every item kind

namespace nodeloom {

// --- Nodes -----------------------------------------------------------------------------------

bool Factory::place(const std::shared_ptr<DiagramNode>& node, const Rect& bounds) {
    const std::shared_ptr<Diagram> d = diagram_.lock();
    if (!d || !node || !isFinite(bounds)) return false;
    node->setDiagram(d);
    node->_setBounds(bounds);
    d->addItem(node);
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

std::shared_ptr<ContainerNode> Factory::createContainerNode(double x, double y, double width,
                                                            double height, bool foldable) {
    auto node = createContainerNode(x, y, width, height);
    if (node) node->setFoldable(foldable);
    return node;
}

std::shared_ptr<ContainerNode> Factory::createContainerNode(Point location, Size size,
                                                            bool foldable) {
    return createContainerNode(location.x, location.y, size.width, size.height, foldable);
}

std::shared_ptr<ContainerNode> Factory::createContainerNode(const Rect& bounds, bool foldable) {
    return createContainerNode(bounds.x, bounds.y, bounds.width, bounds.height, foldable);
}

std::shared_ptr<TableNode> Factory::createTableNode(double x, double y, double width,
                                                    double height) {
    auto node = std::make_shared<TableNode>();
    return place(node, Rect(x, y, width, height)) ? node : nullptr;
}

std::shared_ptr<TableNode> Factory::createTableNode(Point location, Size size) {
    return createTableNode(location.x, location.y, size.width, size.height);
}

std::shared_ptr<TableNode> Factory::createTableNode(const Rect& bounds) {
    return createTableNode(bounds.x, bounds.y, bounds.width, bounds.height);
}

std::shared_ptr<TableNode> Factory::createTableNode(double x, double y, double width,
                                                    double height, int columns, int rows) {
    auto node = createTableNode(x, y, width, height);
    if (node) node->redimTable(columns, rows);
    return node;
}

std::shared_ptr<TableNode> Factory::createTableNode(Point location, Size size, int columns,
                                                    int rows) {
    return createTableNode(location.x, location.y, size.width, size.height, columns, rows);
}

std::shared_ptr<TableNode> Factory::createTableNode(const Rect& bounds, int columns, int rows) {
    return createTableNode(bounds.x, bounds.y, bounds.width, bounds.height, columns, rows);
}

std::shared_ptr<TreeViewNode> Factory::createTreeViewNode(double x, double y, double width,
                                                          double height) {
    auto node = std::make_shared<TreeViewNode>();
    return place(node, Rect(x, y, width, height)) ? node : nullptr;
}

std::shared_ptr<TreeViewNode> Factory::createTreeViewNode(Point location, Size size) {
    return createTreeViewNode(location.x, location.y, size.width, size.height);
}

std::shared_ptr<TreeViewNode> Factory::createTreeViewNode(const Rect& bounds) {
    return createTreeViewNode(bounds.x, bounds.y, bounds.width, bounds.height);
}

// --- Links -----------------------------------------------------------------------------------

namespace {

std::shared_ptr<DiagramLink> newLink(const std::shared_ptr<Diagram>& diagram) {
    auto link = std::make_shared<DiagramLink>();
    link->setDiagram(diagram);
    return link;
}

// Gives the link the document's segment count and adds it without undo; false when the
// document refused it, an end being on a node it does not hold.
bool finish(Diagram& diagram, const std::shared_ptr<DiagramLink>& link) {
    link->setSegmentCount(diagram.linkSegments());
    return diagram.addLinkInternal(link, true);
}

}  // namespace

std::shared_ptr<ConnectionPoint> Factory::looseEnd(const std::shared_ptr<DiagramLink>& link,
                                                   bool incoming) {
    const Point at = incoming ? link->endPoint() : link->startPoint();
    return std::make_shared<VirtualNode>()->createConnectionPoint(link, at, incoming);
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<DiagramNode>& origin, const std::shared_ptr<DiagramNode>& destination) {
    const std::shared_ptr<Diagram> d = diagram_.lock();
    if (!d || !origin || !destination) return nullptr;
    auto link = newLink(d);
    const Point from = origin->bounds().center();
    const Point to = destination->bounds().center();
    link->setStartPoint(from);
    link->setOriginConnection(origin->createConnectionPoint(link, from, false));
    link->setEndPoint(to);
    link->setDestinationConnection(destination->createConnectionPoint(link, to, true));
    link->originConnection()->alignToNode(to);
    link->destinationConnection()->alignToNode(from);
    if (!finish(*d, link)) return nullptr;
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<ShapeNode>& origin, int originAnchor,
    const std::shared_ptr<ShapeNode>& destination, int destAnchor) {
    const std::shared_ptr<Diagram> d = diagram_.lock();
    if (!d || !origin || !destination) return nullptr;
    auto link = newLink(d);
    link->setOriginConnection(
        origin->createConnectionPoint(link, origin->bounds().center(), false));
    link->setDestinationConnection(
        destination->createConnectionPoint(link, destination->bounds().center(), true));
    if (!finish(*d, link)) return nullptr;
    link->clipEndsToOutlines();
    // Through the link, so that each end also moves onto its anchor point: setting only the
    // connections' indexes would leave the ends on the outlines until a node next moved.
    link->setOriginAnchor(originAnchor);
    link->setDestinationAnchor(destAnchor);
    link->stretchToPoint(link->controlPoints().back());
    return link;
}

std::shared_ptr<DiagramLink> Factory::linkEnds(const std::shared_ptr<DiagramNode>& origin,
                                               std::optional<int> originRow,
                                               const std::shared_ptr<DiagramNode>& destination,
                                               std::optional<int> destRow) {
    const std::shared_ptr<Diagram> d = diagram_.lock();
    if (!d || !origin || !destination) return nullptr;
    auto link = newLink(d);
    const auto makeEnd = [&link](const std::shared_ptr<DiagramNode>& node, std::optional<int> row,
                                 bool incoming) -> std::shared_ptr<ConnectionPoint> {
        if (!row) return node->createConnectionPoint(link, node->bounds().center(), incoming);
        auto end = std::make_shared<TableConnectionPoint>(node, link, incoming);
        end->setRow(*row);
        return end;
    };
    link->setOriginConnection(makeEnd(origin, originRow, false));
    link->setDestinationConnection(makeEnd(destination, destRow, true));
    const Point from = link->originConnection()->getCenter();
    const Point to = link->destinationConnection()->getCenter();
    link->originConnection()->alignToNode(to);
    link->destinationConnection()->alignToNode(from);
    if (!finish(*d, link)) return nullptr;
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<TableNode>& origin, const std::shared_ptr<TableNode>& destination) {
    return linkEnds(origin, -1, destination, -1);
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<TableNode>& origin, int originRow,
    const std::shared_ptr<TableNode>& destination, int destRow) {
    return linkEnds(origin, originRow, destination, destRow);
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<DiagramNode>& origin, const std::shared_ptr<TableNode>& destination,
    int destRow) {
    return linkEnds(origin, std::nullopt, destination, destRow);
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<TableNode>& origin, int originRow,
    const std::shared_ptr<DiagramNode>& destination) {
    return linkEnds(origin, originRow, destination, std::nullopt);
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    const std::shared_ptr<TreeViewNode>& origin, const std::shared_ptr<TreeViewItem>& originItem,
    const std::shared_ptr<TreeViewNode>& destination,
    const std::shared_ptr<TreeViewItem>& destItem) {
    const std::shared_ptr<Diagram> d = diagram_.lock();
    if (!d || !origin || !destination) return nullptr;
    auto link = newLink(d);
    // Each end's position on its node is taken from the link's end point when the end is made,
    // so the points start in the middle of the rows, not wherever a new link has them.
    const auto middle = [](const TreeViewNode& node, const std::shared_ptr<TreeViewItem>& item) {
        return item ? node.getItemRect(*item).center() : node.bounds().center();
    };
    link->setStartPoint(middle(*origin, originItem));
    link->setEndPoint(middle(*destination, destItem));
    link->setOriginConnection(
        std::make_shared<TreeViewConnectionPoint>(origin, link, false, originItem));
    link->setDestinationConnection(
        std::make_shared<TreeViewConnectionPoint>(destination, link, true, destItem));
    if (!finish(*d, link)) return nullptr;
    link->clipEndsToOutlines();
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(const std::shared_ptr<DiagramNode>& origin,
                                                        Point destination) {
    const std::shared_ptr<Diagram> d = diagram_.lock();
    if (!d || !origin || !isFinite(destination)) return nullptr;
    auto link = newLink(d);
    const Point from = origin->bounds().center();
    link->setStartPoint(from);
    link->setOriginConnection(origin->createConnectionPoint(link, from, false));
    link->setEndPoint(destination);
    link->setDestinationConnection(looseEnd(link, true));
    link->originConnection()->alignToNode(destination);
    if (!finish(*d, link)) return nullptr;
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(
    Point origin, const std::shared_ptr<DiagramNode>& destination) {
    const std::shared_ptr<Diagram> d = diagram_.lock();
    if (!d || !isFinite(origin) || !destination) return nullptr;
    auto link = newLink(d);
    link->setStartPoint(origin);
    link->setOriginConnection(looseEnd(link, false));
    const Point to = destination->bounds().center();
    link->setEndPoint(to);
    link->setDestinationConnection(destination->createConnectionPoint(link, to, true));
    link->destinationConnection()->alignToNode(origin);
    if (!finish(*d, link)) return nullptr;
    return link;
}

std::shared_ptr<DiagramLink> Factory::createDiagramLink(Point origin, Point destination) {
    const std::shared_ptr<Diagram> d = diagram_.lock();
    if (!d || !isFinite(origin) || !isFinite(destination)) return nullptr;
    auto link = newLink(d);
    link->setStartPoint(origin);
    link->setOriginConnection(looseEnd(link, false));
    link->setEndPoint(destination);
    link->setDestinationConnection(looseEnd(link, true));
    if (!finish(*d, link)) return nullptr;
    return link;
}

}  // namespace nodeloom
