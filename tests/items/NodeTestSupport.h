#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom::test {

// A node with an outline of its own, as shape nodes have: given in percent of the bounds, or
// empty.
class OutlineNode : public DiagramNode {
public:
    std::vector<Point> getOutline() override {
        std::vector<Point> result;
        const Rect b = bounds();
        for (const Point& p : percent)
            result.emplace_back(b.x + b.width * p.x / 100, b.y + b.height * p.y / 100);
        return result;
    }
    std::vector<Point> percent;
};

inline std::shared_ptr<DiagramNode> nodeAt(const Rect& bounds) {
    auto node = std::make_shared<DiagramNode>();
    node->_setBounds(bounds);
    return node;
}

// A link from one node to another (or the same), with both ends entered in the node lists.
inline std::shared_ptr<DiagramLink> connect(const std::shared_ptr<DiagramNode>& from,
                                            const std::shared_ptr<DiagramNode>& to,
                                            std::vector<Point> points) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints(std::move(points));
    auto origin = from->createConnectionPoint(link, link->startPoint(), false);
    auto destination = to->createConnectionPoint(link, link->endPoint(), true);
    link->setOriginConnection(origin);
    link->setDestinationConnection(destination);
    origin->addLinkToNode();
    destination->addLinkToNode();
    return link;
}

}  // namespace nodeloom::test
