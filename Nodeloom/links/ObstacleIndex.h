#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class DiagramNode;

// The obstacle nodes of a document in a uniform grid of buckets, so that the nodes near one
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
    // The bucket column or row of a coordinate, kept inside the grid.
    int column(double x) const;
    int row(double y) const;
    std::size_t cellCount() const;

    std::vector<Entry> entries_;
    // Entries that cover too many buckets to be filed in each; tested on every query.
    std::vector<int> large_;
    double originX_ = 0.0;
    double originY_ = 0.0;
    double cellSize_ = 1.0;
    int columns_ = 0;
    int rows_ = 0;
    // Bucket b holds cellItems_[cellStart_[b] .. cellStart_[b + 1]).
    std::vector<std::size_t> cellStart_;
    std::vector<int> cellItems_;
};

}  // namespace nodeloom
