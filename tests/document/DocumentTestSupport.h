#pragma once

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <tuple>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom::test {

inline std::shared_ptr<DiagramNode> makeNode(const Rect& bounds = Rect(0, 0, 20, 10)) {
    auto node = std::make_shared<DiagramNode>();
    node->_setBounds(bounds);
    return node;
}

// A link whose ends name the two nodes; the document enters it in their link lists when it is
// added.
inline std::shared_ptr<DiagramLink> makeLink(const std::shared_ptr<DiagramNode>& from,
                                             const std::shared_ptr<DiagramNode>& to) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({from->bounds().center(), to->bounds().center()});
    link->setOriginConnection(from->createConnectionPoint(link, link->startPoint(), false));
    link->setDestinationConnection(to->createConnectionPoint(link, link->endPoint(), true));
    return link;
}

inline std::shared_ptr<Diagram> makeDiagram(bool undo = false) {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(undo);
    return d;
}

// Counts the repaint requests of a document.
struct RepaintCounter {
    explicit RepaintCounter(Diagram& d) {
        d.repaint() += [this](Object&, RepaintEventArgs&) { ++count; };
    }
    int count = 0;
};

template <typename T>
std::vector<const T*> sortedPointers(const std::vector<std::shared_ptr<T>>& list) {
    std::vector<const T*> result;
    for (const auto& item : list)
        result.push_back(item.get());
    std::sort(result.begin(), result.end());
    return result;
}

// What undo must give back of a document: its items in drawing order, which nodes and links it
// holds (lists re-added items at their end, so their order is not compared), and per item its
// place, text and ends.
struct DocumentSnapshot {
    using NodeFacts = std::tuple<Rect, std::string, int, int, std::vector<const DiagramLink*>,
                                 std::vector<const DiagramLink*>>;
    using LinkFacts = std::tuple<const DiagramNode*, const DiagramNode*, std::vector<Point>, int>;

    std::vector<const DiagramItem*> drawingOrder;
    std::map<const DiagramNode*, NodeFacts> nodes;
    std::map<const DiagramLink*, LinkFacts> links;

    bool operator==(const DocumentSnapshot&) const = default;
};

inline DocumentSnapshot snapshotOf(Diagram& d) {
    d.updateZOrder();
    DocumentSnapshot s;
    for (const auto& item : d.items())
        s.drawingOrder.push_back(item.get());
    for (const auto& node : d.nodes()) {
        s.nodes[node.get()] = {node->bounds(),
                               node->text(),
                               node->zIndex(),
                               node->layerIndex(),
                               sortedPointers(node->incomingLinks()),
                               sortedPointers(node->outgoingLinks())};
    }
    for (const auto& link : d.links()) {
        s.links[link.get()] = {link->origin().get(), link->destination().get(),
                               link->controlPoints(), link->zIndex()};
    }
    return s;
}

}  // namespace nodeloom::test
