#include "Nodeloom/foundation/Vertex.h"

#include <algorithm>

#include "Nodeloom/foundation/Edge.h"

namespace nodeloom {

namespace {

void removeFirst(std::vector<std::shared_ptr<Edge>>& list, const Edge* edge) {
    const auto it = std::find_if(list.begin(), list.end(), [edge](const std::shared_ptr<Edge>& e) {
        return e.get() == edge;
    });
    if (it != list.end()) list.erase(it);
}

}  // namespace

void Vertex::detachEdge(const std::shared_ptr<Edge>& edge) {
    // Held here because the caller may have passed an element of one of the lists changed below.
    const std::shared_ptr<Edge> keep = edge;
    if (!keep) return;
    if (keep->origin_.lock().get() == this) {
        removeFirst(edges_, keep.get());
        removeFirst(outEdges_, keep.get());
        keep->origin_.reset();
    }
    if (keep->destination_.lock().get() == this) {
        removeFirst(edges_, keep.get());
        removeFirst(inEdges_, keep.get());
        keep->destination_.reset();
    }
}

}  // namespace nodeloom
