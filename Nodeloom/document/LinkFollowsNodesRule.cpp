#include "Nodeloom/document/LinkFollowsNodesRule.h"

#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links
#include "Nodeloom/links/LinkShapeImpl.h"  // Hook: document holds its links

namespace nodeloom {

DependencyRule::ItemList LinkFollowsNodesRule::dependents(
    const std::shared_ptr<DiagramItem>& item) {
    auto* node = dynamic_cast<DiagramNode*>(item.get());
    if (node == nullptr) return {};
    const DiagramNode::LinkList links = node->getAllLinks();
    return ItemList(links.begin(), links.end());
}

DependencyRule::ItemList LinkFollowsNodesRule::masters(const std::shared_ptr<DiagramItem>& item) {
    auto* link = dynamic_cast<DiagramLink*>(item.get());
    if (link == nullptr) return {};
    return {link->origin(), link->destination()};
}

bool LinkFollowsNodesRule::isDependent(const std::shared_ptr<DiagramItem>& item) {
    return dynamic_cast<const DiagramLink*>(item.get()) != nullptr;
}

void LinkFollowsNodesRule::updateDependent(const std::shared_ptr<DiagramItem>& item,
                                           const StateMap&, DragState*) {
    auto* link = dynamic_cast<DiagramLink*>(item.get());
    if (link == nullptr) return;
    const Point oldStart = link->startPoint();
    link->setEndPoint(link->destinationConnection()->positionFromNode());
    link->setStartPoint(link->originConnection()->positionFromNode());

    // A loose end stays where the user left it, so the bends keep their place as well.
    const std::shared_ptr<DiagramNode> origin = link->origin();
    const std::shared_ptr<DiagramNode> destination = link->destination();
    if (origin && origin->isRealNode() && destination && destination->isRealNode()) {
        const Point newStart = link->startPoint();
        link->translateInnerPoints(oldStart.x - newStart.x, oldStart.y - newStart.y);
    }
    link->invalidateLinkCrossings(link->getBounds());
    link->shapeImpl()->adjustAfterEndsMoved(*link);
}

}  // namespace nodeloom
