#include "Nodeloom/foundation/Graph.h"

#include <algorithm>

namespace nodeloom {

namespace {

// The end of the edge opposite to v (the destination when v is the origin, else the origin).
Vertex* otherEnd(const Edge& e, const Vertex* v) {
    const std::shared_ptr<Vertex> origin = e.origin();
    if (origin.get() == v) return e.destination().get();
    return origin.get();
}

// Buckets of vertices keyed by a small integer range, each an ordered list with O(1) append,
// take-last and removal of any member. A vertex is in at most one bucket.
class Buckets {
public:
    Buckets(size_t bucketCount, size_t vertexCount)
        : head_(bucketCount, -1),
          tail_(bucketCount, -1),
          prev_(vertexCount, -1),
          next_(vertexCount, -1),
          bucketOf_(vertexCount, -1) {}

    bool empty(int b) const { return head_[static_cast<size_t>(b)] < 0; }

    void pushBack(int b, int v) {
        const size_t bi = static_cast<size_t>(b), vi = static_cast<size_t>(v);
        prev_[vi] = tail_[bi];
        next_[vi] = -1;
        if (tail_[bi] >= 0)
            next_[static_cast<size_t>(tail_[bi])] = v;
        else
            head_[bi] = v;
        tail_[bi] = v;
        bucketOf_[vi] = b;
    }

    void remove(int v) {
        const size_t vi = static_cast<size_t>(v);
        const int b = bucketOf_[vi];
        if (b < 0) return;
        const size_t bi = static_cast<size_t>(b);
        if (prev_[vi] >= 0)
            next_[static_cast<size_t>(prev_[vi])] = next_[vi];
        else
            head_[bi] = next_[vi];
        if (next_[vi] >= 0)
            prev_[static_cast<size_t>(next_[vi])] = prev_[vi];
        else
            tail_[bi] = prev_[vi];
        bucketOf_[vi] = -1;
    }

    int popBack(int b) {
        const int v = tail_[static_cast<size_t>(b)];
        remove(v);
        return v;
    }

private:
    std::vector<int> head_, tail_, prev_, next_, bucketOf_;
};

}  // namespace

std::shared_ptr<Graph> Graph::cloneGraph(bool keepMaps) const {
    auto graph = std::make_shared<Graph>();
    std::unordered_map<const Vertex*, std::shared_ptr<Vertex>> copies;
    copies.reserve(vertices_.size());
    graph->vertices_.reserve(vertices_.size());
    for (const std::shared_ptr<Vertex>& v : vertices_) {
        if (!v) continue;
        auto copy = std::make_shared<Vertex>();
        copy->setData(v->data());
        copy->setWeight(v->weight());
        copy->setOwner(v->owner());
        copies[v.get()] = copy;
        graph->vertices_.push_back(copy);
        if (keepMaps) graph->vertexCopyToOrigMap_[copy] = v;
    }
    for (const std::shared_ptr<Edge>& e : edges_) {
        if (!e) continue;
        const auto origin = copies.find(e->origin().get());
        const auto destination = copies.find(e->destination().get());
        if (origin == copies.end() || destination == copies.end()) continue;
        auto copy = std::make_shared<Edge>(origin->second, destination->second);
        graph->addEdge(copy);
        copy->setOwner(e->owner());
        if (keepMaps) graph->edgeCopyToOrigMap_[copy] = e;
    }
    return graph;
}

void Graph::addEdge(const std::shared_ptr<Edge>& edge) {
    if (!edge) return;
    const std::shared_ptr<Vertex> origin = edge->origin();
    const std::shared_ptr<Vertex> destination = edge->destination();
    if (!origin || !destination) return;
    edges_.push_back(edge);
    origin->outEdges().push_back(edge);
    origin->edges().push_back(edge);
    destination->inEdges().push_back(edge);
    destination->edges().push_back(edge);
}

std::vector<std::shared_ptr<Graph>> Graph::connectedComponents() {
    searchCounter_ = 0;
    for (size_t i = 0; i < vertices_.size(); ++i)
        if (vertices_[i]) vertices_[i]->setIndex(static_cast<int>(i));
    for (size_t i = 0; i < edges_.size(); ++i)
        if (edges_[i]) edges_[i]->setIndex(static_cast<int>(i));

    std::vector<int> marks(vertices_.size(), -1);
    for (size_t i = 0; i < vertices_.size(); ++i) {
        if (marks[i] != -1 || !vertices_[i]) continue;
        markComponent(marks, static_cast<int>(i));
        ++searchCounter_;
    }

    std::vector<std::shared_ptr<Graph>> components;
    components.reserve(static_cast<size_t>(searchCounter_));
    for (int c = 0; c < searchCounter_; ++c)
        components.push_back(std::make_shared<Graph>());
    for (size_t i = 0; i < vertices_.size(); ++i) {
        if (!vertices_[i] || marks[i] < 0) continue;
        Graph& component = *components[static_cast<size_t>(marks[i])];
        component.vertices_.push_back(vertices_[i]);
        for (const std::shared_ptr<Edge>& e : vertices_[i]->outEdges())
            component.edges_.push_back(e);
    }
    return components;
}

void Graph::markComponent(std::vector<int>& marks, int i) {
    const size_t n = std::min(marks.size(), vertices_.size());
    if (i < 0 || static_cast<size_t>(i) >= n || !vertices_[static_cast<size_t>(i)]) return;
    // Depth first with an explicit stack of (vertex, next edge), visiting in the same order as a
    // recursive walk, so that a long chain cannot exhaust the call stack.
    struct Frame {
        const Vertex* vertex;
        size_t nextEdge;
    };
    std::vector<Frame> stack;
    marks[static_cast<size_t>(i)] = searchCounter_;
    stack.push_back({vertices_[static_cast<size_t>(i)].get(), 0});
    while (!stack.empty()) {
        Frame& frame = stack.back();
        const auto& edges = frame.vertex->edges();
        if (frame.nextEdge >= edges.size()) {
            stack.pop_back();
            continue;
        }
        const std::shared_ptr<Edge>& e = edges[frame.nextEdge++];
        if (!e) continue;
        const Vertex* w = otherEnd(*e, frame.vertex);
        if (!w) continue;
        const int wi = w->index();
        // A vertex of another graph may carry any index; only this graph's own vertex counts.
        if (wi < 0 || static_cast<size_t>(wi) >= n ||
            vertices_[static_cast<size_t>(wi)].get() != w || marks[static_cast<size_t>(wi)] != -1)
            continue;
        marks[static_cast<size_t>(wi)] = searchCounter_;
        stack.push_back({w, 0});
    }
}

namespace {

// Lends the index fields of the vertices and edges to an operation as dense ids (a vertex or edge
// listed twice gets its last position) and gives the caller's values back afterwards, so that
// lookups need no hash tables.
class BorrowedIndexes {
public:
    BorrowedIndexes(const std::vector<std::shared_ptr<Vertex>>& vertices,
                    const std::vector<std::shared_ptr<Edge>>& edges)
        : vertices_(vertices), edges_(edges) {
        savedVertices_.reserve(vertices.size());
        for (size_t i = 0; i < vertices.size(); ++i) {
            savedVertices_.push_back(vertices[i]->index());
            vertices[i]->setIndex(static_cast<int>(i));
        }
        savedEdges_.reserve(edges.size());
        for (size_t i = 0; i < edges.size(); ++i) {
            savedEdges_.push_back(edges[i] ? edges[i]->index() : 0);
            if (edges[i]) edges[i]->setIndex(static_cast<int>(i));
        }
    }
    BorrowedIndexes(const BorrowedIndexes&) = delete;
    BorrowedIndexes& operator=(const BorrowedIndexes&) = delete;
    // Backwards, so that an object listed twice ends with the value it had before.
    ~BorrowedIndexes() {
        for (size_t i = edges_.size(); i-- > 0;)
            if (edges_[i]) edges_[i]->setIndex(savedEdges_[i]);
        for (size_t i = vertices_.size(); i-- > 0;)
            vertices_[i]->setIndex(savedVertices_[i]);
    }

    // The dense id of a vertex of the list, or -1 for any other vertex.
    int vertexId(const Vertex* v) const {
        if (!v) return -1;
        const int i = v->index();
        return i >= 0 && static_cast<size_t>(i) < vertices_.size() &&
                       vertices_[static_cast<size_t>(i)].get() == v
                   ? i
                   : -1;
    }
    int edgeId(const Edge* e) const {
        if (!e) return -1;
        const int i = e->index();
        return i >= 0 && static_cast<size_t>(i) < edges_.size() &&
                       edges_[static_cast<size_t>(i)].get() == e
                   ? i
                   : -1;
    }

private:
    const std::vector<std::shared_ptr<Vertex>>& vertices_;
    const std::vector<std::shared_ptr<Edge>>& edges_;
    std::vector<int> savedVertices_;
    std::vector<int> savedEdges_;
};

// The greedy ordering of cycle removal: sinks to the end, sources to the front, else the vertex
// with the largest out-minus-in difference, repeatedly. It works on a compact copy (per vertex
// its outgoing and incoming counts and its touching edges in list order, per edge its two ends
// and whether it is still there) and follows a cloned graph step by step without the cost of
// cloning and of linear searches in its lists. Answers the positions in the edge list of the
// edges to reverse.
std::vector<size_t> greedyReversals(const std::vector<std::shared_ptr<Vertex>>& vertices,
                                    const std::vector<std::shared_ptr<Edge>>& edges,
                                    const BorrowedIndexes& ids) {
    const int n = static_cast<int>(vertices.size());
    const size_t vn = vertices.size();
    struct CopyEdge {
        int origin, destination;
    };
    std::vector<CopyEdge> copyEdges;
    copyEdges.reserve(edges.size());
    for (const std::shared_ptr<Edge>& e : edges) {
        if (!e) continue;
        const int o = ids.vertexId(e->origin().get());
        const int d = ids.vertexId(e->destination().get());
        if (o >= 0 && d >= 0) copyEdges.push_back({o, d});
    }
    std::vector<int> outCount(vn, 0), inCount(vn, 0);
    std::vector<size_t> firstTouch(vn + 1, 0);
    for (const CopyEdge& e : copyEdges) {
        ++outCount[static_cast<size_t>(e.origin)];
        ++inCount[static_cast<size_t>(e.destination)];
        ++firstTouch[static_cast<size_t>(e.origin) + 1];
        ++firstTouch[static_cast<size_t>(e.destination) + 1];
    }
    for (size_t v = 0; v < vn; ++v)
        firstTouch[v + 1] += firstTouch[v];
    std::vector<int> touches(firstTouch[vn]);
    {
        std::vector<size_t> fill(firstTouch.begin(), firstTouch.end() - 1);
        for (size_t id = 0; id < copyEdges.size(); ++id) {
            touches[fill[static_cast<size_t>(copyEdges[id].origin)]++] = static_cast<int>(id);
            touches[fill[static_cast<size_t>(copyEdges[id].destination)]++] = static_cast<int>(id);
        }
    }
    std::vector<char> present(copyEdges.size(), 1);

    // Sinks 2 - n, sources n - 2, others out minus in, kept inside that range so that parallel
    // edges cannot put a vertex where no step looks for it.
    const int sinkKey = 2 - n, sourceKey = n - 2;
    auto bucketOf = [&](int v) {
        const size_t vi = static_cast<size_t>(v);
        int key;
        if (outCount[vi] == 0)
            key = sinkKey;
        else if (inCount[vi] == 0)
            key = sourceKey;
        else
            key = std::clamp(outCount[vi] - inCount[vi], sinkKey, sourceKey);
        return key - sinkKey;
    };
    const int sinkBucket = 0, sourceBucket = sourceKey - sinkKey;
    Buckets buckets(static_cast<size_t>(sourceBucket) + 1, vn);
    // Highest bucket between sinks and sources that may be non-empty.
    int top = sourceBucket - 1;
    for (int v = 0; v < n; ++v)
        buckets.pushBack(bucketOf(v), v);

    int remaining = n;
    auto removeVertex = [&](int u) {
        const size_t ui = static_cast<size_t>(u);
        for (size_t t = firstTouch[ui]; t < firstTouch[ui + 1]; ++t) {
            const size_t id = static_cast<size_t>(touches[t]);
            const CopyEdge& e = copyEdges[id];
            // An edge from the vertex to itself has no neighbour to update.
            if (!present[id] || e.origin == e.destination) continue;
            const int w = e.origin == u ? e.destination : e.origin;
            buckets.remove(w);
            if (e.origin == w) --outCount[static_cast<size_t>(w)];
            if (e.destination == w) --inCount[static_cast<size_t>(w)];
            present[id] = 0;
            const int b = bucketOf(w);
            buckets.pushBack(b, w);
            if (b != sourceBucket && b > top) top = b;
        }
        --remaining;
    };

    std::vector<int> order, sinks;  // sinks are collected back to front
    order.reserve(vn);
    while (remaining > 0) {
        while (!buckets.empty(sinkBucket)) {
            const int u = buckets.popBack(sinkBucket);
            removeVertex(u);
            sinks.push_back(u);
        }
        while (!buckets.empty(sourceBucket)) {
            const int u = buckets.popBack(sourceBucket);
            removeVertex(u);
            order.push_back(u);
        }
        if (remaining == 0) break;
        while (top > sinkBucket && buckets.empty(top))
            --top;
        if (top <= sinkBucket) {
            // Removing the last sources can leave only sinks; the next round takes them.
            if (buckets.empty(sinkBucket) && buckets.empty(sourceBucket)) break;
            continue;
        }
        const int u = buckets.popBack(top);
        removeVertex(u);
        order.push_back(u);
    }
    order.insert(order.end(), sinks.rbegin(), sinks.rend());

    // A vertex listed twice takes the later position of its two copies.
    std::vector<size_t> position(vn, 0);
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t copy = static_cast<size_t>(order[i]);
        const size_t original = static_cast<size_t>(ids.vertexId(vertices[copy].get()));
        position[original] = std::max(position[original], i);
    }

    std::vector<size_t> slots;
    std::vector<char> taken(edges.size(), 0);
    for (size_t p = 0; p < edges.size(); ++p) {
        const std::shared_ptr<Edge>& e = edges[p];
        if (!e) continue;
        const int o = ids.vertexId(e->origin().get());
        const int d = ids.vertexId(e->destination().get());
        if (o < 0 || d < 0 ||
            !(position[static_cast<size_t>(d)] < position[static_cast<size_t>(o)]))
            continue;
        // An edge listed twice was turned at its first place and then points forward.
        char& done = taken[static_cast<size_t>(ids.edgeId(e.get()))];
        if (done) continue;
        done = 1;
        slots.push_back(p);
    }
    return slots;
}

// With two vertices a cycle can only be a pair of opposite edges: the edges that run the way of
// the first edge between the two are turned, provided some edge runs the other way.
std::vector<size_t> twoVertexReversals(const std::vector<std::shared_ptr<Edge>>& edges,
                                       const BorrowedIndexes& ids) {
    int from = -1, to = -1;
    for (const std::shared_ptr<Edge>& e : edges) {
        if (!e) continue;
        const int o = ids.vertexId(e->origin().get());
        const int d = ids.vertexId(e->destination().get());
        if (o >= 0 && d >= 0 && o != d) {
            from = o;
            to = d;
            break;
        }
    }
    if (from < 0) return {};
    auto runs = [&](const std::shared_ptr<Edge>& e, int o, int d) {
        return e && ids.vertexId(e->origin().get()) == o &&
               ids.vertexId(e->destination().get()) == d;
    };
    if (std::none_of(edges.begin(), edges.end(), [&](const auto& e) { return runs(e, to, from); }))
        return {};
    std::vector<size_t> slots;
    std::vector<char> taken(edges.size(), 0);
    for (size_t p = 0; p < edges.size(); ++p) {
        if (!runs(edges[p], from, to)) continue;
        char& done = taken[static_cast<size_t>(ids.edgeId(edges[p].get()))];
        if (done) continue;
        done = 1;
        slots.push_back(p);
    }
    return slots;
}

}  // namespace

std::vector<std::shared_ptr<Edge>> Graph::makeAcyclic() {
    std::vector<std::shared_ptr<Vertex>> vertices;
    vertices.reserve(vertices_.size());
    for (const std::shared_ptr<Vertex>& v : vertices_)
        if (v) vertices.push_back(v);
    if (vertices.size() < 2 || edges_.size() < 2) return {};
    const BorrowedIndexes ids(vertices, edges_);
    const std::vector<size_t> slots = vertices.size() == 2 ? twoVertexReversals(edges_, ids)
                                                           : greedyReversals(vertices, edges_, ids);
    reverseAll(vertices, edges_, slots);
    std::vector<std::shared_ptr<Edge>> reversed;
    reversed.reserve(slots.size());
    for (size_t p : slots)
        reversed.push_back(edges_[p]);
    return reversed;
}

// Reverses the edges at the given places of the edge list at once; the vertices' and edges'
// indexes must hold their dense ids. The result equals reversing them one after another: each
// edge leaves the first place it holds in its old origin's outgoing and old destination's
// incoming lists and is appended, in the given order, to the other vertex's lists. Doing it in
// one pass per vertex keeps a vertex with many reversed edges from costing quadratic time.
void Graph::reverseAll(const std::vector<std::shared_ptr<Vertex>>& vertices,
                       const std::vector<std::shared_ptr<Edge>>& edges,
                       const std::vector<size_t>& slots) {
    if (slots.empty()) return;
    auto idOf = [](const auto& list, const auto* object) {
        if (!object) return -1;
        const int i = object->index();
        return i >= 0 && static_cast<size_t>(i) < list.size() &&
                       list[static_cast<size_t>(i)].get() == object
                   ? i
                   : -1;
    };
    // Per reversed edge (by edge id): its ends before the reversal and whether it has left the
    // old origin's outgoing and the old destination's incoming list.
    std::vector<int> oldOrigin(edges.size(), -1), oldDestination(edges.size(), -1);
    std::vector<char> leftOut(edges.size(), 0), leftIn(edges.size(), 0);
    std::vector<std::vector<std::shared_ptr<Edge>>> addOut(vertices.size()), addIn(vertices.size());
    std::vector<char> touched(vertices.size(), 0);
    std::vector<size_t> touchedList;
    for (size_t p : slots) {
        const std::shared_ptr<Edge>& e = edges[p];
        const size_t id = static_cast<size_t>(idOf(edges, e.get()));
        const int o = idOf(vertices, e->origin().get());
        const int d = idOf(vertices, e->destination().get());
        oldOrigin[id] = o;
        oldDestination[id] = d;
        addOut[static_cast<size_t>(d)].push_back(e);
        addIn[static_cast<size_t>(o)].push_back(e);
        for (int v : {o, d})
            if (!touched[static_cast<size_t>(v)]) {
                touched[static_cast<size_t>(v)] = 1;
                touchedList.push_back(static_cast<size_t>(v));
            }
    }
    auto filter = [&](std::vector<std::shared_ptr<Edge>>& list, int v,
                      const std::vector<int>& oldEnd, std::vector<char>& left) {
        std::vector<std::shared_ptr<Edge>> kept;
        kept.reserve(list.size());
        for (std::shared_ptr<Edge>& e : list) {
            const int id = idOf(edges, e.get());
            if (id >= 0 && oldEnd[static_cast<size_t>(id)] == v && !left[static_cast<size_t>(id)]) {
                left[static_cast<size_t>(id)] = 1;
                continue;
            }
            kept.push_back(std::move(e));
        }
        list = std::move(kept);
    };
    for (size_t v : touchedList) {
        Vertex& vertex = *vertices[v];
        filter(vertex.outEdges(), static_cast<int>(v), oldOrigin, leftOut);
        filter(vertex.inEdges(), static_cast<int>(v), oldDestination, leftIn);
        vertex.outEdges().insert(vertex.outEdges().end(), addOut[v].begin(), addOut[v].end());
        vertex.inEdges().insert(vertex.inEdges().end(), addIn[v].begin(), addIn[v].end());
    }
    for (size_t p : slots) {
        Edge& e = *edges[p];
        const size_t id = static_cast<size_t>(idOf(edges, &e));
        e.origin_ = vertices[static_cast<size_t>(oldDestination[id])];
        e.destination_ = vertices[static_cast<size_t>(oldOrigin[id])];
    }
}

}  // namespace nodeloom
