#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom::test {

// A node of the document, added without undo.
template <typename Node = DiagramNode>
std::shared_ptr<Node> addNode(const std::shared_ptr<Diagram>& d, const Rect& bounds) {
    auto node = std::make_shared<Node>();
    node->_setBounds(bounds);
    d->addItemInternal(node);
    return node;
}

// A link of the document with exactly these points, its ends remembered where the points put
// them.
inline std::shared_ptr<DiagramLink> addLink(const std::shared_ptr<Diagram>& d,
                                            const std::shared_ptr<DiagramNode>& from,
                                            const std::shared_ptr<DiagramNode>& to,
                                            std::vector<Point> points) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints(points);
    link->setOriginConnection(from->createConnectionPoint(link, link->startPoint(), false));
    link->setDestinationConnection(to->createConnectionPoint(link, link->endPoint(), true));
    d->addItemInternal(link);
    // Adding spreads the inner points; the tests want theirs.
    link->setControlPoints(std::move(points));
    link->updateFromPoints();
    return link;
}

// Makes the node a child of the container, keeping its place.
inline void adopt(const std::shared_ptr<ContainerNode>& container,
                  const std::shared_ptr<DiagramNode>& node) {
    container->add(node);
}

inline std::vector<Point> shifted(const std::vector<Point>& points, double dx, double dy) {
    std::vector<Point> result;
    for (const Point& p : points)
        result.emplace_back(p.x + dx, p.y + dy);
    return result;
}

}  // namespace nodeloom::test
