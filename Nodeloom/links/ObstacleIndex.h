#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Nodeloom/foundation/FlatHashMap.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/RectGrid.h"

namespace nodeloom {

class DiagramNode;

// The obstacle nodes of a document in a uniform grid, so that the nodes near one route are
// found without looking at every node. It answers exactly what a scan of the node list would:
// the nodes whose rectangles meet an area, touching included, in list order. It is a snapshot:
// nodes that move afterwards are found where they were.
//
// The index is laid out afresh for every set of routes, in the lists it kept from the last set:
// laying it out allocates nothing per node.
//
// It also keeps what a route reads of every node of the list, its end nodes included, taken in
// the same sweep over the nodes: a route then looks its end nodes up in a compact table rather
// than in the nodes themselves, which in a large document lie far apart in memory.
class ObstacleIndex {
public:
    // What a route reads of a node.
    struct NodeFacts {
        // Identifies the node; never followed.
        const DiagramNode* node = nullptr;
        // The node's box turned by its rotation, as the router's obstacle rectangles grow it.
        Rect box;
        bool real = false;
        bool obstacle = false;
        // Whether a container holds the node.
        bool contained = false;
    };

    struct Entry {
        // The node's position in the list the index was built from.
        int position = 0;
        // Identifies the node; never followed, so an entry keeps no node alive.
        const DiagramNode* node = nullptr;
        // The node's obstacle rectangle (Router::obstacleBounds).
        Rect bounds;
    };

    // Takes the nodes of the list whose obstacle flag is on.
    ObstacleIndex(const std::vector<std::shared_ptr<DiagramNode>>& nodes, double margin);
    // An index of no nodes.
    ObstacleIndex() = default;

    // Takes the nodes afresh, in the lists it already has.
    void assign(const std::vector<std::shared_ptr<DiagramNode>>& nodes, double margin);
    // Forgets the nodes, keeping the lists.
    void clear();

    const std::vector<Entry>& entries() const { return entries_; }
    // The facts of a node of the list; null for a node not in it.
    const NodeFacts* facts(const DiagramNode* node) const;

    // Replaces `found` with the positions in entries() of the rectangles that meet the area,
    // ascending.
    void query(const Rect& area, std::vector<int>& found) const;

private:
    std::vector<Entry> entries_;
    // The facts of every node of the list, and where each node's facts are in it.
    std::vector<NodeFacts> facts_;
    FlatHashMap<const DiagramNode*, int> slots_;
    RectGrid grid_;
};

}  // namespace nodeloom
