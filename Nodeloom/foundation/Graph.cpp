#include "Nodeloom/foundation/Graph.h"

#include <algorithm>
#include <unordered_set>

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

// Reverses every given edge at once. The result equals reversing them one after another: each
// edge leaves the first place it holds in its old origin's outgoing and old destination's
// incoming lists and is appended, in the given order, to the other vertex's lists. Doing it in
// one pass per vertex keeps a vertex with many reversed edges from costing quadratic time.
void Graph::reverseAll(const std::vector<std::shared_ptr<Edge>>& reversedEdges) {
    struct Ends {
        std::shared_ptr<Vertex> origin, destination;
        bool leftOut = false, leftIn = false;
    };
    struct Additions {
        std::vector<std::shared_ptr<Edge>> out, in;
    };
    std::unordered_map<const Edge*, Ends> ends;
    std::unordered_map<const Vertex*, Additions> additions;
    std::vector<std::shared_ptr<Vertex>> touched;
    ends.reserve(reversedEdges.size());
    for (const std::shared_ptr<Edge>& e : reversedEdges) {
        Ends& end = ends[e.get()];
        end.origin = e->origin();
        end.destination = e->destination();
        for (const std::shared_ptr<Vertex>& v : {end.origin, end.destination})
            if (additions.try_emplace(v.get()).second) touched.push_back(v);
        additions[end.destination.get()].out.push_back(e);
        additions[end.origin.get()].in.push_back(e);
    }
    for (const std::shared_ptr<Vertex>& v : touched) {
        auto filter = [&](std::vector<std::shared_ptr<Edge>>& list, bool outgoing) {
            std::vector<std::shared_ptr<Edge>> kept;
            kept.reserve(list.size());
            for (std::shared_ptr<Edge>& e : list) {
                const auto it = e ? ends.find(e.get()) : ends.end();
                if (it != ends.end()) {
                    Ends& end = it->second;
                    bool& left = outgoing ? end.leftOut : end.leftIn;
                    const Vertex* from = outgoing ? end.origin.get() : end.destination.get();
                    if (from == v.get() && !left) {
                        left = true;
                        continue;
                    }
                }
                kept.push_back(std::move(e));
            }
            list = std::move(kept);
        };
        filter(v->outEdges(), true);
        filter(v->inEdges(), false);
        const Additions& add = additions[v.get()];
        v->outEdges().insert(v->outEdges().end(), add.out.begin(), add.out.end());
        v->inEdges().insert(v->inEdges().end(), add.in.begin(), add.in.end());
    }
    for (const std::shared_ptr<Edge>& e : reversedEdges) {
        const Ends& end = ends[e.get()];
        e->origin_ = end.destination;
        e->destination_ = end.origin;
    }
}

std::vector<std::shared_ptr<Edge>> Graph::makeAcyclic() {
    std::vector<std::shared_ptr<Vertex>> vertices;
    vertices.reserve(vertices_.size());
    for (const std::shared_ptr<Vertex>& v : vertices_)
        if (v) vertices.push_back(v);
    if (vertices.size() < 2 || edges_.size() < 2) return {};
    if (vertices.size() == 2) return makeAcyclicOfTwo(vertices);

    // The greedy ordering works on a compact copy: per vertex its outgoing and incoming counts
    // and its touching edges in list order, per edge its two ends and whether it is still there.
    // This follows a cloned graph step by step, without the cost of cloning and of linear
    // searches in its lists.
    const int n = static_cast<int>(vertices.size());
    std::unordered_map<const Vertex*, int> copyOf;
    copyOf.reserve(vertices.size());
    for (int i = 0; i < n; ++i)
        copyOf[vertices[static_cast<size_t>(i)].get()] = i;

    struct CopyEdge {
        int origin, destination;
    };
    std::vector<CopyEdge> copyEdges;
    copyEdges.reserve(edges_.size());
    for (const std::shared_ptr<Edge>& e : edges_) {
        if (!e) continue;
        const auto o = copyOf.find(e->origin().get());
        const auto d = copyOf.find(e->destination().get());
        if (o == copyOf.end() || d == copyOf.end()) continue;
        copyEdges.push_back({o->second, d->second});
    }
    const size_t vn = static_cast<size_t>(n);
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
        for (size_t t = firstTouch[static_cast<size_t>(u)];
             t < firstTouch[static_cast<size_t>(u) + 1]; ++t) {
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

    std::vector<int> first, last;  // last is built back to front
    first.reserve(vn);
    while (remaining > 0) {
        while (!buckets.empty(sinkBucket)) {
            const int u = buckets.popBack(sinkBucket);
            removeVertex(u);
            last.push_back(u);
        }
        while (!buckets.empty(sourceBucket)) {
            const int u = buckets.popBack(sourceBucket);
            removeVertex(u);
            first.push_back(u);
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
        first.push_back(u);
    }
    first.insert(first.end(), last.rbegin(), last.rend());

    std::unordered_map<const Vertex*, size_t> position;
    position.reserve(vn);
    for (size_t i = 0; i < first.size(); ++i)
        position[vertices[static_cast<size_t>(first[i])].get()] = i;

    std::vector<std::shared_ptr<Edge>> reversedEdges;
    std::unordered_set<const Edge*> reversed;
    for (const std::shared_ptr<Edge>& e : edges_) {
        if (!e) continue;
        const auto o = position.find(e->origin().get());
        const auto d = position.find(e->destination().get());
        if (o == position.end() || d == position.end() || !(d->second < o->second)) continue;
        // An edge listed twice was turned at its first place and now points forward.
        if (reversed.insert(e.get()).second) reversedEdges.push_back(e);
    }
    reverseAll(reversedEdges);
    return reversedEdges;
}

// With two vertices the cycle can only be a pair of opposite edges: the edges that run the way
// of the first edge between the two are turned, provided some edge runs the other way.
std::vector<std::shared_ptr<Edge>> Graph::makeAcyclicOfTwo(
    const std::vector<std::shared_ptr<Vertex>>& vertices) {
    auto between = [&](const Vertex* o, const Vertex* d) {
        return o && d && o != d && (o == vertices[0].get() || o == vertices[1].get()) &&
               (d == vertices[0].get() || d == vertices[1].get());
    };
    const Vertex* from = nullptr;
    const Vertex* to = nullptr;
    for (const std::shared_ptr<Edge>& e : edges_) {
        if (e && between(e->origin().get(), e->destination().get())) {
            from = e->origin().get();
            to = e->destination().get();
            break;
        }
    }
    if (!from) return {};
    const bool opposite = std::any_of(edges_.begin(), edges_.end(), [&](const auto& e) {
        return e && e->origin().get() == to && e->destination().get() == from;
    });
    if (!opposite) return {};
    std::vector<std::shared_ptr<Edge>> reversedEdges;
    std::unordered_set<const Edge*> reversed;
    for (const std::shared_ptr<Edge>& e : edges_)
        if (e && e->origin().get() == from && e->destination().get() == to &&
            reversed.insert(e.get()).second)
            reversedEdges.push_back(e);
    reverseAll(reversedEdges);
    return reversedEdges;
}

}  // namespace nodeloom
