#include "Nodeloom/links/ObstacleIndex.h"

#include <algorithm>

#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {

ObstacleIndex::ObstacleIndex(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                             double margin)
    : entries_(collect(nodes, margin)), grid_(boundsOf(entries_)) {}

std::vector<ObstacleIndex::Entry> ObstacleIndex::collect(
    const std::vector<std::shared_ptr<DiagramNode>>& nodes, double margin) {
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto& node = nodes[i];
        if (!node || !node->obstacle()) continue;
        entries.push_back(
            Entry{static_cast<int>(i), node.get(), Router::obstacleBounds(*node, margin)});
    }
    return entries;
}

std::vector<Rect> ObstacleIndex::boundsOf(const std::vector<Entry>& entries) {
    std::vector<Rect> bounds;
    bounds.reserve(entries.size());
    for (const Entry& e : entries)
        bounds.push_back(e.bounds);
    return bounds;
}

void ObstacleIndex::query(const Rect& area, std::vector<int>& found) const {
    found.clear();
    // The grid may report more than meets the area, never less; the scan's own test decides.
    grid_.query(area, [&](int i) {
        if (entries_[static_cast<std::size_t>(i)].bounds.intersectsWith(area)) found.push_back(i);
    });
    std::sort(found.begin(), found.end());
}

}  // namespace nodeloom
