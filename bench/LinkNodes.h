#pragma once

#include <memory>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

// A straight link from the centre of one node to the centre of another, added to the document
// and cut back to the nodes' outlines.
inline std::shared_ptr<nodeloom::DiagramLink> linkNodes(
    nodeloom::Diagram& d, const std::shared_ptr<nodeloom::DiagramNode>& from,
    const std::shared_ptr<nodeloom::DiagramNode>& to) {
    auto link = std::make_shared<nodeloom::DiagramLink>();
    link->setControlPoints({from->bounds().center(), to->bounds().center()});
    link->setOriginConnection(from->createConnectionPoint(link, link->startPoint(), false));
    link->setDestinationConnection(to->createConnectionPoint(link, link->endPoint(), true));
    d.addItem(link);
    link->clipEndsToOutlines();
    return link;
}
