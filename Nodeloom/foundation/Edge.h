#pragma once

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

class Vertex;

// A directed edge of a generic graph, standing for a link. It holds its two vertices weakly;
// the graph keeps them alive. Edges compare by identity.
class Edge : public Object, public std::enable_shared_from_this<Edge> {
public:
    Edge(const std::shared_ptr<Vertex>& origin, const std::shared_ptr<Vertex>& destination)
        : origin_(origin), destination_(destination) {}

    std::shared_ptr<Vertex> origin() const { return origin_.lock(); }
    // Moves the edge's start: the old origin lets go of the edge, the new one takes it as an
    // outgoing edge.
    virtual void setOrigin(const std::shared_ptr<Vertex>& origin);
    std::shared_ptr<Vertex> destination() const { return destination_.lock(); }
    void setDestination(const std::shared_ptr<Vertex>& destination) { destination_ = destination; }

    std::shared_ptr<Object> owner() const { return owner_.lock(); }
    void setOwner(const std::shared_ptr<Object>& owner) { owner_ = owner; }
    const std::shared_ptr<Object>& data() const { return data_; }
    void setData(std::shared_ptr<Object> data) { data_ = std::move(data); }
    // The route a layout computed for the edge.
    std::optional<std::vector<Point>>& points() { return points_; }
    const std::optional<std::vector<Point>>& points() const { return points_; }
    void setPoints(std::optional<std::vector<Point>> points) { points_ = std::move(points); }
    // The edge's position in its graph's edge list, as the component split last set it.
    int index() const { return index_; }
    void setIndex(int index) { index_ = index; }
    bool reversed() const { return reversed_; }
    void setReversed(bool reversed) { reversed_ = reversed; }

    // Swaps origin and destination, moving the edge between the two vertices' outgoing and
    // incoming lists; their lists of touching edges stay as they are.
    virtual void reverseEdge();

private:
    friend class Vertex;
    friend class Graph;

    std::weak_ptr<Vertex> origin_;
    std::weak_ptr<Vertex> destination_;
    std::weak_ptr<Object> owner_;
    std::shared_ptr<Object> data_;
    std::optional<std::vector<Point>> points_;
    int index_ = 0;
    bool reversed_ = false;
};

}  // namespace nodeloom
