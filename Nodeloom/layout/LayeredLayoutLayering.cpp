// Layering and virtual vertices of the layered layout.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "Nodeloom/layout/LayeredLayout.h"

namespace nodeloom {

namespace {

// Sequences of items (small dense integers, each in at most one sequence) that take insertions
// at any place and tell any member's place, both in logarithmic time: one treap per sequence,
// ordered by place, whose nodes know their parent and the size of their subtree. Splitting long
// edges inserts thousands of virtual vertices into wide layers and must read the current places
// of the edges' ends between insertions.
class Sequences {
public:
    explicit Sequences(std::size_t count) : roots_(count, -1) {}

    int size(int sequence) const { return sizeOf(roots_[static_cast<std::size_t>(sequence)]); }

    void insert(int sequence, int place, int item) {
        makeNode(item);
        int& root = roots_[static_cast<std::size_t>(sequence)];
        int left = -1, right = -1;
        split(root, place, left, right);
        root = merge(merge(left, item), right);
        node(root).parent = -1;
    }

    void append(int sequence, int item) { insert(sequence, size(sequence), item); }

    int placeOf(int item) const {
        int t = item;
        int place = sizeOf(node(t).left);
        while (node(t).parent >= 0) {
            const int p = node(t).parent;
            if (node(p).right == t) place += sizeOf(node(p).left) + 1;
            t = p;
        }
        return place;
    }

    // The items of the sequence in order.
    std::vector<int> items(int sequence) const {
        std::vector<int> out, stack;
        out.reserve(static_cast<std::size_t>(size(sequence)));
        int t = roots_[static_cast<std::size_t>(sequence)];
        while (t >= 0 || !stack.empty()) {
            while (t >= 0) {
                stack.push_back(t);
                t = node(t).left;
            }
            t = stack.back();
            stack.pop_back();
            out.push_back(t);
            t = node(t).right;
        }
        return out;
    }

private:
    struct Node {
        int left = -1, right = -1, parent = -1, size = 1;
        std::uint32_t priority = 0;
    };

    Node& node(int i) { return nodes_[static_cast<std::size_t>(i)]; }
    const Node& node(int i) const { return nodes_[static_cast<std::size_t>(i)]; }
    int sizeOf(int t) const { return t < 0 ? 0 : node(t).size; }

    void makeNode(int item) {
        if (static_cast<std::size_t>(item) >= nodes_.size())
            nodes_.resize(std::max(static_cast<std::size_t>(item) + 1, nodes_.size() * 2));
        seed_ ^= seed_ << 13;
        seed_ ^= seed_ >> 17;
        seed_ ^= seed_ << 5;
        node(item) = Node{};
        node(item).priority = seed_;
    }

    void update(int t) {
        Node& n = node(t);
        n.size = 1 + sizeOf(n.left) + sizeOf(n.right);
        if (n.left >= 0) node(n.left).parent = t;
        if (n.right >= 0) node(n.right).parent = t;
    }

    // The first `place` items into left, the rest into right.
    void split(int t, int place, int& left, int& right) {
        if (t < 0) {
            left = right = -1;
            return;
        }
        const int leftSize = sizeOf(node(t).left);
        if (place <= leftSize) {
            int inner = -1;
            split(node(t).left, place, left, inner);
            node(t).left = inner;
            right = t;
        } else {
            int inner = -1;
            split(node(t).right, place - leftSize - 1, inner, right);
            node(t).right = inner;
            left = t;
        }
        update(t);
        if (left >= 0) node(left).parent = -1;
        if (right >= 0) node(right).parent = -1;
    }

    int merge(int left, int right) {
        if (left < 0) return right;
        if (right < 0) return left;
        if (node(left).priority > node(right).priority) {
            node(left).right = merge(node(left).right, right);
            update(left);
            return left;
        }
        node(right).left = merge(left, node(right).left);
        update(right);
        return right;
    }

    std::vector<Node> nodes_;
    std::vector<int> roots_;
    std::uint32_t seed_ = 2463534242u;
};

// x + 1.0 + 1.0 + ... (k times, x >= 0) as k additions would round it: exact inside a binade,
// rounded once on each crossing into the next, so that a virtual vertex that k later insertions
// pushed along ends where pushing it one step at a time would have put it.
double addOnes(double x, int k) {
    while (k > 0) {
        int exponent = 0;
        std::frexp(x, &exponent);
        if (!(x >= 1.0) || exponent > 53) {
            x += 1.0;
            --k;
            continue;
        }
        const double room = std::ldexp(1.0, exponent) - x;  // exact: x lies in [boundary / 2, boundary)
        const double inside = std::ceil(room) - 1.0;
        if (inside >= k) return x + k;
        x += inside;
        k -= static_cast<int>(inside);
        x += 1.0;
        --k;
    }
    return x;
}

}  // namespace

void LayeredLayout::assignLayers() {
    const int n = vertexCount();
    // Longest paths from the sources in topological order, which gives every vertex its final
    // number on first sight.
    std::vector<int> level(static_cast<std::size_t>(n), 0), pending(static_cast<std::size_t>(n), 0);
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const Vertex& v = vertexAt(i);
        for (const auto& e : v.inEdges())
            if (e->origin().get() != &v) ++pending[static_cast<std::size_t>(i)];
        if (pending[static_cast<std::size_t>(i)] == 0) order.push_back(i);
    }
    for (std::size_t head = 0; head < order.size(); ++head) {
        const Vertex& u = vertexAt(order[head]);
        const int next = level[static_cast<std::size_t>(u.index())] + 1;
        for (const auto& e : u.outEdges()) {
            const Vertex* d = e->destination().get();
            if (d == &u) continue;
            const std::size_t di = static_cast<std::size_t>(d->index());
            level[di] = std::max(level[di], next);
            if (--pending[di] == 0) order.push_back(d->index());
        }
    }
    const int maxLevel = n == 0 ? 0 : *std::max_element(level.begin(), level.end());

    // The pull toward the successors: bottom up, every vertex right above its nearest successor.
    for (std::size_t k = order.size(); k-- > 0;) {
        const Vertex& u = vertexAt(order[k]);
        int nearest = INT_MAX;
        for (const auto& e : u.outEdges()) {
            const Vertex* d = e->destination().get();
            if (d != &u) nearest = std::min(nearest, level[static_cast<std::size_t>(d->index())]);
        }
        if (nearest != INT_MAX && nearest > 1) level[static_cast<std::size_t>(u.index())] = nearest - 1;
    }

    layers_.assign(static_cast<std::size_t>(maxLevel) + 1, {});
    for (int i = 0; i < n; ++i) {
        const int l = level[static_cast<std::size_t>(i)];
        nodeData(vertexAt(i)).setLayer(l);
        layers_[static_cast<std::size_t>(l)].push_back(graph_->vertices()[static_cast<std::size_t>(i)]);
    }
    for (Layer& layer : layers_)
        for (std::size_t j = 0; j < layer.size(); ++j)
            nodeData(*layer[j]).setGridPosition(static_cast<double>(j));
}

void LayeredLayout::splitLongEdges() {
    linkToNodeMap_.clear();
    nodeToLinkMap_.clear();
    Sequences sequences(layers_.size());
    for (std::size_t l = 0; l < layers_.size(); ++l)
        for (const std::shared_ptr<Vertex>& v : layers_[l])
            sequences.append(static_cast<int>(l), v->index());

    // Every vertex present before the split has its place as grid position, and a virtual one
    // its starting position plus one for every vertex inserted before it later.
    struct Inserted {
        int vertex;
        double position;
        int place;
    };
    std::vector<Inserted> inserted;
    auto& vertices = graph_->vertices();
    const std::size_t edgeCount = graph_->edges().size();
    // The virtual vertices, their records and their segment edges' records, each kind made in
    // one block.
    std::size_t virtualCount = 0;
    for (std::size_t i = 0; i < edgeCount; ++i) {
        const Edge& e = *graph_->edges()[i];
        const std::shared_ptr<Vertex> o = e.origin(), d = e.destination();
        if (o && d && o != d)
            virtualCount += static_cast<std::size_t>(std::max(0, nodeData(*d).layer() - nodeData(*o).layer() - 1));
    }
    const auto virtuals = std::make_shared<std::vector<Vertex>>(virtualCount);
    const auto records = std::make_shared<std::vector<NodeData>>(virtualCount);
    const auto links = std::make_shared<std::vector<LinkData>>(virtualCount);
    std::size_t made = 0;
    vertices.reserve(vertices.size() + virtualCount);
    graph_->edges().reserve(edgeCount + virtualCount);
    inserted.reserve(virtualCount);

    for (std::size_t i = 0; i < edgeCount; ++i) {
        const std::shared_ptr<Edge> e = graph_->edges()[i];
        const std::shared_ptr<Vertex> o = e->origin();
        const std::shared_ptr<Vertex> d = e->destination();
        if (!o || !d || o == d) continue;
        const int lo = nodeData(*o).layer(), ld = nodeData(*d).layer();
        if (ld - lo < 2) continue;
        const double go = sequences.placeOf(o->index());
        const double gd = sequences.placeOf(d->index());
        const double step = (gd - go) / (ld - lo);
        const bool bothLast = go >= sequences.size(lo) - 1 && gd >= sequences.size(ld) - 1;
        std::shared_ptr<Vertex> prev = o;
        for (int l = lo + 1; l < ld; ++l) {
            const std::shared_ptr<Vertex> v(virtuals, &(*virtuals)[made]);
            v->setVirtual(true);
            v->setX(o->x());
            v->setY(o->y());
            v->setWidth(o->width() / 100);
            v->setHeight(o->height() / 100);
            const double count = sequences.size(l);
            double g = go + step * (l - lo);
            if (g > count) g = count;
            if (bothLast) g = count;
            NodeData& data = (*records)[made];
            data.setLayer(l);
            data.setGridPosition(g);
            v->setData(std::shared_ptr<NodeData>(records, &data));

            auto segment = std::make_shared<Edge>(prev, v);
            segment->setData(std::shared_ptr<LinkData>(links, &(*links)[made]));
            ++made;
            vertices.push_back(v);
            graph_->addEdge(segment);
            v->setIndex(static_cast<int>(vertices.size()) - 1);
            const int place = static_cast<int>(g);
            sequences.insert(l, place, v->index());
            inserted.push_back({v->index(), g, place});
            registerVirtualVertex(v, e);
            prev = v;
        }
        e->setOrigin(prev);
        linkData(*e).setVirtualLevel(ld - lo - 1);
    }

    std::vector<int> finalPlace(vertices.size(), 0);
    for (std::size_t l = 0; l < layers_.size(); ++l) {
        const std::vector<int> items = sequences.items(static_cast<int>(l));
        Layer& layer = layers_[l];
        layer.clear();
        layer.reserve(items.size());
        for (std::size_t j = 0; j < items.size(); ++j) {
            const std::shared_ptr<Vertex>& v = vertices[static_cast<std::size_t>(items[j])];
            layer.push_back(v);
            finalPlace[static_cast<std::size_t>(items[j])] = static_cast<int>(j);
            if (!v->virtual_()) nodeData(*v).setGridPosition(static_cast<double>(j));
        }
    }
    for (const Inserted& in : inserted)
        nodeData(vertexAt(in.vertex))
            .setGridPosition(addOnes(in.position, finalPlace[static_cast<std::size_t>(in.vertex)] - in.place));
}

void LayeredLayout::registerVirtualVertex(const std::shared_ptr<Vertex>& vertex,
                                          const std::shared_ptr<Edge>& edge) {
    nodeToLinkMap_[vertex] = edge;
    linkToNodeMap_[edge].push_back(vertex);
}

}  // namespace nodeloom
