#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/foundation/RectIndex.h"

namespace nodeloom {

class DiagramNode;

// The obstacle nodes of a document in the foundation's grid index, so that the nodes near one
// route are found without looking at every node. It answers exactly what a scan of the node
// list would: the nodes whose rectangles meet an area, touching included, in list order. It is
// a snapshot: nodes that move afterwards are found where they were.
class ObstacleIndex {
public:
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

    const std::vector<Entry>& entries() const { return entries_; }

    // Replaces `found` with the positions in entries() of the rectangles that meet the area,
    // ascending.
    void query(const Rect& area, std::vector<int>& found) const;

private:
    static std::vector<Entry> collect(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                                      double margin);
    static std::vector<Rect> boundsOf(const std::vector<Entry>& entries);

    std::vector<Entry> entries_;
    // Entry i of the grid is entries_[i].
    RectIndex grid_;
};

}  // namespace nodeloom
