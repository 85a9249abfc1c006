#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Graph.h"
#include "Nodeloom/foundation/Object.h"

namespace nodeloom {

class DiagramLink;

// The links whose two ends are one node, set aside while a layout runs and made into loops
// afterwards.
class SelfLoopLinks : public Object {
public:
    std::vector<std::shared_ptr<DiagramLink>>& links() { return links_; }
    const std::vector<std::shared_ptr<DiagramLink>>& links() const { return links_; }

private:
    std::vector<std::shared_ptr<DiagramLink>> links_;
};

// Further links between two blocks that an edge already joins, kept under the link of that edge
// (the representative), in the order the representatives were first met.
class RepeatingLinks : public Object {
public:
    struct Entry {
        std::shared_ptr<DiagramLink> representative;
        std::vector<std::shared_ptr<DiagramLink>> links;
    };

    // Appends the link to the representative's list, starting the list when there is none.
    void append(const std::shared_ptr<DiagramLink>& representative,
                const std::shared_ptr<DiagramLink>& link);
    // The list kept under the representative; null when it has none.
    const std::vector<std::shared_ptr<DiagramLink>>* find(const DiagramLink* representative) const;
    const std::vector<Entry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }

private:
    std::vector<Entry> entries_;
    std::unordered_map<const DiagramLink*, std::size_t> index_;
};

// The graph the driver builds from a container, with the collections of links it set aside.
// The graph refers to those collections only weakly; this record owns them for the run.
struct LayoutGraph {
    std::shared_ptr<Graph> graph;
    std::shared_ptr<SelfLoopLinks> selfLoops;
    std::shared_ptr<RepeatingLinks> repeatingLinks;
};

}  // namespace nodeloom
