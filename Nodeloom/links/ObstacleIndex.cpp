#include "Nodeloom/links/ObstacleIndex.h"

#include <algorithm>

#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/Router.h"
#include "Nodeloom/links/RouterGeometry.h"

namespace nodeloom {

ObstacleIndex::ObstacleIndex(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                             double margin) {
    assign(nodes, margin);
}

void ObstacleIndex::assign(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                           double margin) {
    clear();
    entries_.reserve(nodes.size());
    facts_.reserve(nodes.size());
    slots_.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto& node = nodes[i];
        if (!node) continue;
        // Read in the order a route reads them, each once.
        NodeFacts f;
        f.node = node.get();
        f.obstacle = node->obstacle();
        f.box = turnedBox(*node);
        f.real = node->isRealNode();
        f.contained = node->container() != nullptr;
        if (slots_.insert(f.node, static_cast<int>(facts_.size())).second) facts_.push_back(f);
        if (f.obstacle)
            entries_.push_back(
                Entry{static_cast<int>(i), node.get(), Rect::inflate(f.box, margin, margin)});
    }
    grid_.assign(entries_.size(),
                 [&](std::size_t i) -> const Rect& { return entries_[i].bounds; });
}

const ObstacleIndex::NodeFacts* ObstacleIndex::facts(const DiagramNode* node) const {
    const int* at = slots_.find(node);
    return at ? &facts_[static_cast<std::size_t>(*at)] : nullptr;
}

void ObstacleIndex::clear() {
    entries_.clear();
    facts_.clear();
    slots_.clear();
    grid_.clear();
}

void ObstacleIndex::query(const Rect& area, std::vector<int>& found) const {
    found.clear();
    grid_.query(area, [&](int i) {
        if (entries_[static_cast<std::size_t>(i)].bounds.intersectsWith(area)) found.push_back(i);
    });
    std::sort(found.begin(), found.end());
}

}  // namespace nodeloom
