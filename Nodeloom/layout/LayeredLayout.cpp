#include "Nodeloom/layout/LayeredLayout.h"

#include <algorithm>
#include <cmath>

namespace nodeloom {

void LayeredLayout::PositionMap::set(const Vertex& v, double x) {
    const std::size_t i = slot(v);
    if (i >= value_.size()) {
        value_.resize(i + 1, 0.0);
        has_.resize(i + 1, 0);
    }
    value_[i] = x;
    has_[i] = 1;
}

LayeredLayout::LayeredLayout() {
    setAnchoring(Anchoring::ignore);
    setKeepGroupLayout(false);
    setMultipleGraphsPlacement(MultipleGraphsPlacement::horizontal);
    setMargins(10.0);
    setRequiresConnectedGraph(true);
}

void LayeredLayout::setNodeDistance(double distance) {
    if (std::isfinite(distance)) nodeDistance_ = distance;
}

void LayeredLayout::setLayerDistance(double distance) {
    if (std::isfinite(distance)) layerDistance_ = distance;
}

void LayeredLayout::setDirection(LayoutDirection direction) {
    if (fromRaw<LayoutDirection>(static_cast<int>(direction))) direction_ = direction;
}

bool LayeredLayout::arrangeGraph(const std::shared_ptr<Graph>& graph) {
    if (!graph) return false;
    if (graph->vertices().empty()) return true;
    std::vector<std::shared_ptr<Edge>> turned;
    if (!beginRun(graph, turned)) return false;
    assignLayers();
    splitLongEdges();
    indexNeighbours();
    reduceCrossings();
    siftLayers();
    placeByPriority();
    assignCoordinates();
    restoreLongEdges();
    for (const std::shared_ptr<Edge>& e : turned)
        if (e->points()) std::reverse(e->points()->begin(), e->points()->end());
    return true;
}

bool LayeredLayout::beginRun(const std::shared_ptr<Graph>& graph,
                             std::vector<std::shared_ptr<Edge>>& turned) {
    if (!prepareGraph(*graph)) return false;
    graph_ = graph;
    turned = graph->makeAcyclic();
    giveRecords(graph->vertices());
    for (const std::shared_ptr<Vertex>& v : graph->vertices())
        v->setVirtual(false);
    const auto links = std::make_shared<std::vector<LinkData>>(graph->edges().size());
    for (std::size_t i = 0; i < graph->edges().size(); ++i)
        graph->edges()[i]->setData(std::shared_ptr<LinkData>(links, &(*links)[i]));
    return true;
}

void LayeredLayout::giveRecords(const std::vector<std::shared_ptr<Vertex>>& vertices) {
    const auto block = std::make_shared<std::vector<NodeData>>(vertices.size());
    for (std::size_t i = 0; i < vertices.size(); ++i)
        vertices[i]->setData(std::shared_ptr<NodeData>(block, &(*block)[i]));
}

bool LayeredLayout::prepareGraph(Graph& graph) {
    auto& vertices = graph.vertices();
    auto& edges = graph.edges();
    std::vector<int> savedVertices(vertices.size(), 0), savedEdges(edges.size(), 0);
    for (std::size_t i = 0; i < vertices.size(); ++i)
        if (vertices[i]) savedVertices[i] = vertices[i]->index();
    for (std::size_t i = 0; i < edges.size(); ++i)
        if (edges[i]) savedEdges[i] = edges[i]->index();
    auto restore = [&] {
        for (std::size_t i = vertices.size(); i-- > 0;)
            if (vertices[i]) vertices[i]->setIndex(savedVertices[i]);
        for (std::size_t i = edges.size(); i-- > 0;)
            if (edges[i]) edges[i]->setIndex(savedEdges[i]);
        return false;
    };

    for (std::size_t i = 0; i < vertices.size(); ++i) {
        if (!vertices[i]) return restore();
        vertices[i]->setIndex(static_cast<int>(i));
    }
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (!edges[i]) return restore();
        edges[i]->setIndex(static_cast<int>(i));
    }
    auto ownVertex = [&](const Vertex* v) {
        return v != nullptr && v->index() >= 0 &&
               static_cast<std::size_t>(v->index()) < vertices.size() &&
               vertices[static_cast<std::size_t>(v->index())].get() == v;
    };
    auto ownEdge = [&](const Edge* e) {
        return e != nullptr && e->index() >= 0 && static_cast<std::size_t>(e->index()) < edges.size() &&
               edges[static_cast<std::size_t>(e->index())].get() == e;
    };
    // A vertex or edge listed twice, an edge that misses an end or leads out of the graph, or a
    // vertex that knows an edge the graph does not hold cannot be arranged soundly.
    for (std::size_t i = 0; i < vertices.size(); ++i)
        if (vertices[i]->index() != static_cast<int>(i)) return restore();
    for (std::size_t i = 0; i < edges.size(); ++i) {
        const Edge& e = *edges[i];
        if (e.index() != static_cast<int>(i) || !ownVertex(e.origin().get()) ||
            !ownVertex(e.destination().get()))
            return restore();
    }
    for (const std::shared_ptr<Vertex>& v : vertices)
        for (const auto* list : {&v->edges(), &v->inEdges(), &v->outEdges()})
            for (const std::shared_ptr<Edge>& e : *list)
                if (!ownEdge(e.get())) return restore();
    return true;
}

double LayeredLayout::orderKey(const NodeData& d) {
    if (d.uLinkCount() >= 1 && d.dLinkCount() >= 1)
        return (d.uBarycenter() + d.dBarycenter()) * 0.5;
    if (d.uLinkCount() >= 1) return d.uBarycenter();
    if (d.dLinkCount() >= 1) return d.dBarycenter();
    return 0.0;
}

// --- Neighbour index -----------------------------------------------------------------------

LayeredLayout::Neighbours LayeredLayout::neighbours(const Adjacency& adjacency, const Vertex& v) {
    const std::size_t i = static_cast<std::size_t>(v.index());
    if (v.index() < 0 || i + 1 >= adjacency.start.size()) return {nullptr, nullptr};
    const int* base = adjacency.list.data();
    return {base + adjacency.start[i], base + adjacency.start[i + 1]};
}

void LayeredLayout::indexNeighbours() {
    const int n = vertexCount();
    records_.clear();
    records_.reserve(static_cast<std::size_t>(n));
    for (const std::shared_ptr<Vertex>& v : graph_->vertices())
        records_.push_back(&nodeData(*v));
    up_.clear();
    down_.clear();
    up_.start.assign(static_cast<std::size_t>(n) + 1, 0);
    down_.start.assign(static_cast<std::size_t>(n) + 1, 0);
    for (int i = 0; i < n; ++i) {
        const Vertex& v = vertexAt(i);
        const int layer = nodeData(v).layer();
        auto visit = [&](const Vertex* other) {
            if (!other || other == &v) return;
            const int otherLayer = nodeData(*other).layer();
            if (otherLayer == layer - 1) up_.list.push_back(other->index());
        };
        auto visitDown = [&](const Vertex* other) {
            if (!other || other == &v) return;
            const int otherLayer = nodeData(*other).layer();
            if (otherLayer == layer + 1) down_.list.push_back(other->index());
        };
        for (const auto& e : v.inEdges())
            visit(e->origin().get());
        for (const auto& e : v.outEdges())
            visit(e->destination().get());
        up_.start[static_cast<std::size_t>(i) + 1] = static_cast<int>(up_.list.size());
        for (const auto& e : v.inEdges())
            visitDown(e->origin().get());
        for (const auto& e : v.outEdges())
            visitDown(e->destination().get());
        down_.start[static_cast<std::size_t>(i) + 1] = static_cast<int>(down_.list.size());
    }

    // Chains in the order of the long edges in the edge list.
    chains_.clear();
    chains_.start.push_back(0);
    chainIndex_.assign(static_cast<std::size_t>(n), -1);
    for (const std::shared_ptr<Edge>& e : graph_->edges()) {
        const auto found = linkToNodeMap_.find(e);
        if (found == linkToNodeMap_.end()) continue;
        const int chain = static_cast<int>(chains_.start.size()) - 1;
        for (const std::shared_ptr<Vertex>& v : found->second) {
            chains_.list.push_back(v->index());
            chainIndex_[static_cast<std::size_t>(v->index())] = chain;
        }
        chains_.start.push_back(static_cast<int>(chains_.list.size()));
    }
}

LayeredLayout::Neighbours LayeredLayout::chainOf(const Vertex& v) const {
    const std::size_t i = static_cast<std::size_t>(v.index());
    if (v.index() < 0 || i >= chainIndex_.size() || chainIndex_[i] < 0) return {nullptr, nullptr};
    const std::size_t c = static_cast<std::size_t>(chainIndex_[i]);
    const int* base = chains_.list.data();
    return {base + chains_.start[c], base + chains_.start[c + 1]};
}

const Vertex* LayeredLayout::besideInLayer(const Vertex& v, int offset) const {
    const NodeData& d = nodeData(v);
    if (d.layer() < 0 || static_cast<std::size_t>(d.layer()) >= layers_.size()) return nullptr;
    const Layer& layer = layers_[static_cast<std::size_t>(d.layer())];
    const int j = d.indexInLayer() + offset;
    if (j < 0 || static_cast<std::size_t>(j) >= layer.size()) return nullptr;
    return layer[static_cast<std::size_t>(j)].get();
}

double LayeredLayout::sizeAcross(const Vertex& v) const {
    const bool vertical = direction_ == LayoutDirection::topToBottom ||
                          direction_ == LayoutDirection::bottomToTop;
    const double s = vertical ? v.width() : v.height();
    return std::isfinite(s) ? s : 0.0;
}

double LayeredLayout::sizeAlong(const Vertex& v) const {
    const bool vertical = direction_ == LayoutDirection::topToBottom ||
                          direction_ == LayoutDirection::bottomToTop;
    const double s = vertical ? v.height() : v.width();
    return std::isfinite(s) ? s : 0.0;
}

// --- Working state for readers -------------------------------------------------------------

LayeredLayout::VertexListMap LayeredLayout::exportLists(const Adjacency& lists) const {
    // By the numbers of the run, which the caller may since have changed in the graph.
    VertexListMap map;
    if (!graph_) return map;
    const auto& vertices = graph_->vertices();
    const std::size_t n = std::min(vertices.size(), lists.start.empty() ? 0 : lists.start.size() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        Layer& list = map[vertices[i]];
        for (int k = lists.start[i]; k < lists.start[i + 1]; ++k) {
            const std::size_t j = static_cast<std::size_t>(lists.list[static_cast<std::size_t>(k)]);
            if (j < vertices.size()) list.push_back(vertices[j]);
        }
    }
    return map;
}

LayeredLayout::VertexIntMap LayeredLayout::exportClasses(const std::vector<int>& classes) const {
    VertexIntMap map;
    if (!graph_) return map;
    const std::size_t n = std::min(graph_->vertices().size(), classes.size());
    for (std::size_t i = 0; i < n; ++i)
        if (classes[i] >= 0) map[graph_->vertices()[i]] = classes[i];
    return map;
}

LayeredLayout::VertexIntMap LayeredLayout::nodeRightClass() const {
    return exportClasses(nodeRightClass_);
}

LayeredLayout::VertexIntMap LayeredLayout::nodeLeftClass() const {
    return exportClasses(nodeLeftClass_);
}

LayeredLayout::VertexListMap LayeredLayout::downNodes() const {
    return exportLists(downNodes_);
}

LayeredLayout::VertexListMap LayeredLayout::upNodes() const {
    return exportLists(upNodes_);
}

}  // namespace nodeloom
