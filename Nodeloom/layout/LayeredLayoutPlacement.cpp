// Grid placement of the layered layout: the priority method in half steps.

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "Nodeloom/layout/LayeredLayout.h"

namespace nodeloom {

namespace {

double priorityOf(const LayeredLayout::NodeData& d) {
    return static_cast<double>(d.uPriority() + d.dPriority()) * 0.5;
}

// Whether a neighbour of priority `other` stops a move made on behalf of `mover`.
bool blocks(double other, double mover) {
    return other > mover || std::abs(other - mover) < 0.0001;
}

}  // namespace

void LayeredLayout::placeByPriority() {
    const int count = static_cast<int>(layers_.size());
    if (count == 0) return;
    placeInLayer_.assign(static_cast<std::size_t>(vertexCount()), -1);
    for (const Layer& layer : layers_)
        for (std::size_t j = 0; j < layer.size(); ++j) {
            NodeData& d = nodeData(*layer[j]);
            d.setUPriority(d.uLinkCount());
            d.setDPriority(d.dLinkCount());
            placeInLayer_[static_cast<std::size_t>(layer[j]->index())] = static_cast<int>(j);
        }

    for (int iteration = 0; iteration < 2; ++iteration) {
        for (int layer = count - 2; layer >= 0; --layer) {
            placeLayerByPriority(layer);
            if (layer >= 1) computeDownBarycenters(layer - 1);
            computeUpBarycenters(layer + 1);
        }
        for (int layer = 1; layer <= count - 1; ++layer) {
            placeLayerByPriority(layer);
            computeDownBarycenters(layer - 1);
            if (layer < count - 1) computeUpBarycenters(layer + 1);
        }
    }

    double smallest = DBL_MAX;
    for (const Layer& layer : layers_)
        for (const std::shared_ptr<Vertex>& v : layer)
            smallest = std::min(smallest, nodeData(*v).gridPosition());
    if (smallest < 0)
        for (const Layer& layer : layers_)
            for (const std::shared_ptr<Vertex>& v : layer) {
                NodeData& d = nodeData(*v);
                d.setGridPosition(d.gridPosition() - smallest);
            }
}

void LayeredLayout::placeLayerByPriority(int index) {
    const Layer& layer = layers_[static_cast<std::size_t>(index)];
    std::vector<const Vertex*> byPriority;
    byPriority.reserve(layer.size());
    for (const std::shared_ptr<Vertex>& v : layer)
        byPriority.push_back(v.get());
    std::stable_sort(byPriority.begin(), byPriority.end(), [](const Vertex* a, const Vertex* b) {
        return priorityOf(nodeData(*a)) < priorityOf(nodeData(*b));
    });
    for (const Vertex* v : byPriority) {
        const NodeData& d = nodeData(*v);
        const double g = d.gridPosition(), t = orderKey(d), p = priorityOf(d);
        if (!std::isfinite(t) || std::abs(g - t) < 0.2501) continue;
        if (g < t) {
            while (d.gridPosition() < t)
                if (!moveRight(*v, layer, p)) break;
        } else {
            while (d.gridPosition() > t)
                if (!moveLeft(*v, layer, p)) break;
        }
    }
}

// A push runs through consecutive neighbours of lower priority up to the first gap wider than
// one step or the end of the layer; it is checked whole before anything moves, then every vertex
// of it steps, so that a long chain needs no deep recursion.
bool LayeredLayout::moveRight(const Vertex& v, const Layer& layer, double priority) {
    const std::size_t first = placeOf(v, layer), n = layer.size();
    if (first >= n) return false;
    std::size_t last = first;
    while (last + 1 < n) {
        const NodeData& next = nodeData(*layer[last + 1]);
        if (nodeData(*layer[last]).gridPosition() + 1.0 < next.gridPosition()) break;
        if (blocks(priorityOf(next), priority)) return false;
        ++last;
    }
    for (std::size_t i = last + 1; i-- > first;) {
        NodeData& d = nodeData(*layer[i]);
        d.setGridPosition(d.gridPosition() + 0.5);
    }
    return true;
}

bool LayeredLayout::moveLeft(const Vertex& v, const Layer& layer, double priority) {
    const std::size_t first = placeOf(v, layer);
    if (first >= layer.size()) return false;
    std::size_t last = first;
    while (last > 0) {
        const NodeData& next = nodeData(*layer[last - 1]);
        if (next.gridPosition() < nodeData(*layer[last]).gridPosition() - 1.0) break;
        if (blocks(priorityOf(next), priority)) return false;
        --last;
    }
    for (std::size_t i = last; i <= first; ++i) {
        NodeData& d = nodeData(*layer[i]);
        d.setGridPosition(d.gridPosition() - 0.5);
    }
    return true;
}

std::size_t LayeredLayout::placeOf(const Vertex& v, const Layer& layer) const {
    const std::size_t i = static_cast<std::size_t>(v.index());
    if (v.index() >= 0 && i < placeInLayer_.size()) {
        const std::size_t place = static_cast<std::size_t>(placeInLayer_[i]);
        if (place < layer.size() && layer[place].get() == &v) return place;
    }
    const auto found = std::find_if(layer.begin(), layer.end(),
                                    [&](const std::shared_ptr<Vertex>& w) { return w.get() == &v; });
    return static_cast<std::size_t>(found - layer.begin());
}

}  // namespace nodeloom
