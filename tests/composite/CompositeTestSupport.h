#pragma once

#include <memory>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom::test {

// Items made by the document's factory, so that they are in the document as a host makes them.
inline std::shared_ptr<ContainerNode> container(const std::shared_ptr<Diagram>& d,
                                                const Rect& bounds) {
    return d->factory()->createContainerNode(bounds);
}

inline std::shared_ptr<ShapeNode> shape(const std::shared_ptr<Diagram>& d, const Rect& bounds) {
    return d->factory()->createShapeNode(bounds);
}

inline std::shared_ptr<DiagramLink> link(const std::shared_ptr<Diagram>& d,
                                         const std::shared_ptr<DiagramNode>& from,
                                         const std::shared_ptr<DiagramNode>& to) {
    return d->factory()->createDiagramLink(from, to);
}

}  // namespace nodeloom::test
