#include "Nodeloom/foundation/Edge.h"

#include <algorithm>

#include "Nodeloom/foundation/Vertex.h"

namespace nodeloom {

namespace {

void removeFirst(std::vector<std::shared_ptr<Edge>>& list, const Edge* edge) {
    const auto it = std::find_if(list.begin(), list.end(), [edge](const std::shared_ptr<Edge>& e) {
        return e.get() == edge;
    });
    if (it != list.end()) list.erase(it);
}

}  // namespace

void Edge::setOrigin(const std::shared_ptr<Vertex>& origin) {
    // The vertices hold edges through shared pointers; an edge that is not so held cannot be
    // entered into their lists.
    const std::shared_ptr<Edge> self = weak_from_this().lock();
    if (!self) return;
    const std::shared_ptr<Vertex> keep = origin;
    if (const std::shared_ptr<Vertex> old = origin_.lock()) old->detachEdge(self);
    if (keep) {
        keep->edges().push_back(self);
        keep->outEdges().push_back(self);
    }
    origin_ = keep;
}

void Edge::reverseEdge() {
    const std::shared_ptr<Edge> self = weak_from_this().lock();
    const std::shared_ptr<Vertex> o = origin_.lock();
    const std::shared_ptr<Vertex> d = destination_.lock();
    if (!self || !o || !d) return;
    origin_ = d;
    removeFirst(o->outEdges(), this);
    d->outEdges().push_back(self);
    destination_ = o;
    removeFirst(d->inEdges(), this);
    o->inEdges().push_back(self);
}

}  // namespace nodeloom
