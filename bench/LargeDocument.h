#pragma once

// The large documents of the performance benchmarks: shape nodes with text on a square grid,
// each linked to its right and to its lower neighbour.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "LinkNodes.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ShapeNode.h"

namespace nodeloom::bench {

// `nodeCount` nodes; `linkCount` links at most, right neighbours first, then lower ones, in the
// order of the nodes.
inline std::shared_ptr<Diagram> gridDocument(int nodeCount, int linkCount) {
    auto d = std::make_shared<Diagram>();
    const int columns = static_cast<int>(std::ceil(std::sqrt(nodeCount)));
    constexpr double spacing = 40;
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    nodes.reserve(static_cast<std::size_t>(nodeCount));
    for (int i = 0; i < nodeCount; ++i) {
        auto node = std::make_shared<ShapeNode>();
        node->setBounds(Rect((i % columns) * spacing, (i / columns) * spacing, 20, 12));
        node->setText("node " + std::to_string(i));
        d->addItem(node);
        nodes.push_back(node);
    }
    int links = 0;
    for (int i = 0; i < nodeCount && links < linkCount; ++i) {
        if ((i + 1) % columns != 0 && i + 1 < nodeCount) {
            linkNodes(*d, nodes[static_cast<std::size_t>(i)],
                      nodes[static_cast<std::size_t>(i + 1)]);
            ++links;
        }
        if (links < linkCount && i + columns < nodeCount) {
            linkNodes(*d, nodes[static_cast<std::size_t>(i)],
                      nodes[static_cast<std::size_t>(i + columns)]);
            ++links;
        }
    }
    const int rows = (nodeCount + columns - 1) / columns;
    d->setBounds(Rect(-10, -10, columns * spacing + 20, rows * spacing + 20));
    return d;
}

}  // namespace nodeloom::bench
