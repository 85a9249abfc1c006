#include "LiteralLayeredLayout.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <unordered_map>
#include <unordered_set>

namespace nodeloom::test {

bool LayeredProbe::layer(const std::shared_ptr<Graph>& graph, bool split) {
    std::vector<std::shared_ptr<Edge>> turned;
    if (!beginRun(graph, turned)) return false;
    assignLayers();
    if (split) splitLongEdges();
    indexNeighbours();
    return true;
}

void LiteralLayeredLayout::assignLayers() {
    // The map of layer numbers, by vertex; -1 for a vertex without one yet.
    const auto& vertices = graph()->vertices();
    std::unordered_map<const Vertex*, int> number;
    std::deque<Vertex*> queue;
    for (const auto& v : vertices)
        if (v->inEdges().empty()) {
            number[v.get()] = 0;
            queue.push_back(v.get());
        }
    while (!queue.empty()) {
        Vertex* u = queue.front();
        queue.pop_front();
        for (const auto& e : u->outEdges()) {
            Vertex* d = e->destination().get();
            const auto found = number.find(d);
            if (found == number.end())
                number[d] = number[u] + 1;
            else
                found->second = std::max(found->second, number[u] + 1);
            if (std::find(queue.begin(), queue.end(), d) == queue.end()) queue.push_back(d);
        }
    }
    int maxLevel = 0;
    for (const auto& [v, n] : number)
        maxLevel = std::max(maxLevel, n);
    std::vector<Vertex*> order;
    for (const auto& v : vertices)
        if (number.count(v.get())) order.push_back(v.get());
    std::stable_sort(order.begin(), order.end(),
                     [&](Vertex* a, Vertex* b) { return number[a] > number[b]; });
    for (Vertex* v : order) {
        if (v->outEdges().empty()) continue;
        int m = std::numeric_limits<int>::max();
        for (const auto& e : v->outEdges())
            m = std::min(m, number[e->destination().get()]);
        if (m > 1) number[v] = m - 1;
    }
    layers_.assign(static_cast<std::size_t>(maxLevel) + 1, {});
    for (const auto& v : vertices) {
        nodeData(*v).setLayer(number[v.get()]);
        layers_[static_cast<std::size_t>(number[v.get()])].push_back(v);
    }
    for (Layer& layer : layers_)
        for (std::size_t i = 0; i < layer.size(); ++i)
            nodeData(*layer[i]).setGridPosition(static_cast<double>(i));
}

void LiteralLayeredLayout::splitLongEdges() {
    linkToNodeMap_.clear();
    nodeToLinkMap_.clear();
    auto& vertices = graph_->vertices();
    const std::size_t edgeCount = graph_->edges().size();
    for (std::size_t i = 0; i < edgeCount; ++i) {
        const std::shared_ptr<Edge> e = graph_->edges()[i];
        const std::shared_ptr<Vertex> o = e->origin(), d = e->destination();
        const int lo = nodeData(*o).layer(), ld = nodeData(*d).layer();
        if (ld - lo < 2) continue;
        const double go = nodeData(*o).gridPosition(), gd = nodeData(*d).gridPosition();
        const double step = (gd - go) / (ld - lo);
        std::shared_ptr<Vertex> prev = o;
        for (int l = lo + 1; l < ld; ++l) {
            auto v = std::make_shared<Vertex>();
            v->setVirtual(true);
            v->setX(o->x());
            v->setY(o->y());
            v->setWidth(o->width() / 100);
            v->setHeight(o->height() / 100);
            Layer& layer = layers_[static_cast<std::size_t>(l)];
            double g = go + step * (l - lo);
            if (g > static_cast<double>(layer.size())) g = static_cast<double>(layer.size());
            if (go >= static_cast<double>(layers_[static_cast<std::size_t>(lo)].size()) - 1 &&
                gd >= static_cast<double>(layers_[static_cast<std::size_t>(ld)].size()) - 1)
                g = static_cast<double>(layer.size());
            auto data = std::make_shared<NodeData>();
            data->setLayer(l);
            data->setGridPosition(g);
            v->setData(data);
            const std::size_t k = static_cast<std::size_t>(g);
            layer.insert(layer.begin() + static_cast<std::ptrdiff_t>(k), v);
            for (std::size_t j = k + 1; j < layer.size(); ++j)
                nodeData(*layer[j]).setGridPosition(nodeData(*layer[j]).gridPosition() + 1.0);
            auto segment = std::make_shared<Edge>(prev, v);
            segment->setData(std::make_shared<LinkData>());
            vertices.push_back(v);
            graph_->addEdge(segment);
            v->setIndex(static_cast<int>(vertices.size()) - 1);
            registerVirtualVertex(v, e);
            prev = v;
        }
        e->setOrigin(prev);
        linkData(*e).setVirtualLevel(ld - lo - 1);
    }
}

void LiteralLayeredLayout::barycenters(int layer, int other, bool up) {
    const int n = static_cast<int>(layers_.size());
    if (layer < 0 || layer >= n || other < 0 || other >= n) return;
    std::unordered_set<const Vertex*> others;
    for (const auto& v : layers_[static_cast<std::size_t>(other)])
        others.insert(v.get());
    for (const auto& v : layers_[static_cast<std::size_t>(layer)]) {
        int count = 0;
        double sum = 0.0;
        for (const auto& e : v->inEdges())
            if (others.count(e->origin().get())) {
                sum += nodeData(*e->origin()).gridPosition();
                ++count;
            }
        for (const auto& e : v->outEdges())
            if (others.count(e->destination().get())) {
                sum += nodeData(*e->destination()).gridPosition();
                ++count;
            }
        NodeData& d = nodeData(*v);
        if (up) {
            d.setULinkCount(count);
            if (count >= 1) d.setUBarycenter(sum / count);
        } else {
            d.setDLinkCount(count);
            if (count >= 1) d.setDBarycenter(sum / count);
        }
    }
}

void LiteralLayeredLayout::computeUpBarycenters(int layer) {
    if (layer == 0) return;
    barycenters(layer, layer - 1, true);
}

void LiteralLayeredLayout::computeDownBarycenters(int layer) {
    barycenters(layer, layer + 1, false);
}

std::int64_t LiteralLayeredLayout::countCrossings(int a, int b) {
    const int n = static_cast<int>(layers_.size());
    if (a < 0 || b < 0 || a >= n || b >= n || a == b) return 0;
    std::unordered_set<const Vertex*> inA, inB;
    for (const auto& v : layers_[static_cast<std::size_t>(a)])
        inA.insert(v.get());
    for (const auto& v : layers_[static_cast<std::size_t>(b)])
        inB.insert(v.get());
    struct Collected {
        const Vertex* endA;
        const Vertex* endB;
    };
    std::vector<Collected> edges;
    for (const auto& v : layers_[static_cast<std::size_t>(a)]) {
        for (const auto& e : v->inEdges())
            if (inB.count(e->origin().get())) edges.push_back({v.get(), e->origin().get()});
        for (const auto& e : v->outEdges())
            if (inB.count(e->destination().get())) edges.push_back({v.get(), e->destination().get()});
    }
    std::int64_t ordered = 0;
    for (std::size_t i = 0; i < edges.size(); ++i)
        for (std::size_t j = 0; j < edges.size(); ++j) {
            if (i == j) continue;
            const double p = nodeData(*edges[i].endA).gridPosition();
            const double q = nodeData(*edges[j].endA).gridPosition();
            const double r = nodeData(*edges[i].endB).gridPosition();
            const double s = nodeData(*edges[j].endB).gridPosition();
            if ((p - q) * (r - s) < 0) ++ordered;
        }
    return ordered / 2;
}

void LiteralLayeredLayout::siftLayers() {
    const int rounds = siftingRounds();
    if (rounds < 0) return;
    const int n = static_cast<int>(layers_.size());
    for (int r = 1; r <= rounds + 1; ++r) {
        const int m = r % 4;
        // Every trial recounts the crossings of the layer whole. The recount is the fast count,
        // which its own test holds to the pairwise one, so that the oracle stays quick.
        auto weighted = [&](int layer) {
            const std::int64_t up = layer > 0 ? LayeredLayout::countCrossings(layer - 1, layer) : 0;
            const std::int64_t down =
                layer < n - 1 ? LayeredLayout::countCrossings(layer, layer + 1) : 0;
            return m <= 1 ? 2 * up + down : up + 2 * down;
        };
        for (int k = 0; k < n; ++k) {
            const int layer = m <= 1 ? k : n - 1 - k;
            Layer copy = layers_[static_cast<std::size_t>(layer)];
            if (copy.size() < 2) continue;
            std::int64_t c = weighted(layer);
            bool changed = false;
            for (std::size_t i = 0; i + 1 < copy.size(); ++i) {
                if (c == 0) break;
                NodeData& a = nodeData(*copy[i]);
                NodeData& b = nodeData(*copy[i + 1]);
                std::swap(copy[i], copy[i + 1]);
                double t = a.gridPosition();
                a.setGridPosition(b.gridPosition());
                b.setGridPosition(t);
                const std::int64_t trial = weighted(layer);
                if (m == 1 ? trial < c : trial <= c) {
                    c = trial;
                    changed = true;
                } else {
                    std::swap(copy[i], copy[i + 1]);
                    t = a.gridPosition();
                    a.setGridPosition(b.gridPosition());
                    b.setGridPosition(t);
                }
            }
            if (changed) {
                if (layer < n - 1) computeUpBarycenters(layer + 1);
                if (layer > 0) computeDownBarycenters(layer - 1);
            }
            layers_[static_cast<std::size_t>(layer)] = copy;
        }
    }
}

namespace {

double priorityOf(const LayeredLayout::NodeData& d) {
    return static_cast<double>(d.uPriority() + d.dPriority()) * 0.5;
}

std::size_t find(const LayeredLayout::Layer& layer, const Vertex& v) {
    for (std::size_t i = 0; i < layer.size(); ++i)
        if (layer[i].get() == &v) return i;
    return layer.size();
}

}  // namespace

bool LiteralLayeredLayout::moveRight(const Vertex& v, const Layer& layer, double priority) {
    const std::size_t i = find(layer, v);
    NodeData& d = nodeData(v);
    if (i + 1 == layer.size()) {
        d.setGridPosition(d.gridPosition() + 0.5);
        return true;
    }
    const Vertex& w = *layer[i + 1];
    if (d.gridPosition() + 1.0 < nodeData(w).gridPosition()) {
        d.setGridPosition(d.gridPosition() + 0.5);
        return true;
    }
    const double pw = priorityOf(nodeData(w));
    if (pw > priority || std::abs(pw - priority) < 0.0001) return false;
    if (!moveRight(w, layer, priority)) return false;
    d.setGridPosition(d.gridPosition() + 0.5);
    return true;
}

bool LiteralLayeredLayout::moveLeft(const Vertex& v, const Layer& layer, double priority) {
    const std::size_t i = find(layer, v);
    NodeData& d = nodeData(v);
    if (i == 0) {
        d.setGridPosition(d.gridPosition() - 0.5);
        return true;
    }
    const Vertex& w = *layer[i - 1];
    if (nodeData(w).gridPosition() < d.gridPosition() - 1.0) {
        d.setGridPosition(d.gridPosition() - 0.5);
        return true;
    }
    const double pw = priorityOf(nodeData(w));
    if (pw > priority || std::abs(pw - priority) < 0.0001) return false;
    if (!moveLeft(w, layer, priority)) return false;
    d.setGridPosition(d.gridPosition() - 0.5);
    return true;
}

void LiteralLayeredLayout::untangleInnerSegments() {
    for (std::size_t l = 0; l + 1 < layers_.size(); ++l) {
        Layer& layer = layers_[l];
        Layer& next = layers_[l + 1];
        const std::size_t n = layer.size();
        for (std::size_t j = 0; j + 1 < n; ++j) {
            const Vertex& a = *layer[j];
            if (!a.virtual_() || sortedDownNodes(a).empty()) continue;
            const std::shared_ptr<Vertex> da = graph()->vertices()[static_cast<std::size_t>(*sortedDownNodes(a).begin())];
            if (!da->virtual_()) continue;
            for (std::size_t k = j + 1; k < n; ++k) {
                const Vertex& b = *layer[k];
                if (!b.virtual_() || sortedDownNodes(b).empty()) continue;
                const std::shared_ptr<Vertex> db =
                    graph()->vertices()[static_cast<std::size_t>(*sortedDownNodes(b).begin())];
                if (!db->virtual_() || !(nodeData(*db).gridPosition() < nodeData(*da).gridPosition()))
                    continue;
                NodeData& x = nodeData(*da);
                NodeData& y = nodeData(*db);
                const double g = x.gridPosition();
                x.setGridPosition(y.gridPosition());
                y.setGridPosition(g);
                const int ia = x.indexInLayer(), ib = y.indexInLayer();
                x.setIndexInLayer(ib);
                y.setIndexInLayer(ia);
                std::swap(next[static_cast<std::size_t>(ia)], next[static_cast<std::size_t>(ib)]);
            }
        }
    }
}

double LiteralLayeredLayout::minDistanceBetween(const Vertex& a, const Vertex& b) {
    const NodeData& da = nodeData(a);
    const NodeData& db = nodeData(b);
    const std::vector<double>& distances = minDistances()[static_cast<std::size_t>(da.layer())];
    double sum = 0.0;
    for (int i = std::min(da.indexInLayer(), db.indexInLayer());
         i < std::max(da.indexInLayer(), db.indexInLayer()); ++i)
        sum += distances[static_cast<std::size_t>(i)];
    return sum;
}

LayeredLayout::Layer LiteralLayeredLayout::blockOf(const Vertex& v) const {
    const std::shared_ptr<Vertex>& self = graph()->vertices()[static_cast<std::size_t>(v.index())];
    const auto found = nodeToLinkMap().find(self);
    if (v.virtual_() && found != nodeToLinkMap().end()) return linkToNodeMap().at(found->second);
    return {self};
}

void LiteralLayeredLayout::placeLeftClass(const Vertex& v, PositionMap& x, int cls) {
    const Layer block = blockOf(v);
    double bound = -std::numeric_limits<double>::infinity();
    for (const auto& w : block) {
        const Vertex* u = besideInLayer(*w, -1);
        if (!u || nodeLeftClass_[static_cast<std::size_t>(u->index())] !=
                      nodeLeftClass_[static_cast<std::size_t>(w->index())])
            continue;
        if (!x.has(*u)) placeLeftClass(*u, x, cls);
        bound = std::max(bound, x[*u] + minDistanceBetween(*u, *w));
    }
    for (const auto& w : block)
        x.set(*w, std::isinf(bound) ? 0.0 : bound);
}

void LiteralLayeredLayout::placeRightClass(const Vertex& v, PositionMap& x, int cls) {
    const Layer block = blockOf(v);
    double bound = std::numeric_limits<double>::infinity();
    for (const auto& w : block) {
        const Vertex* u = besideInLayer(*w, +1);
        if (!u || nodeRightClass_[static_cast<std::size_t>(u->index())] !=
                      nodeRightClass_[static_cast<std::size_t>(w->index())])
            continue;
        if (!x.has(*u)) placeRightClass(*u, x, cls);
        bound = std::min(bound, x[*u] - minDistanceBetween(*w, *u));
    }
    for (const auto& w : block)
        x.set(*w, std::isinf(bound) ? 0.0 : bound);
}

void LiteralLayeredLayout::restoreLongEdges() {
    for (;;) {
        std::shared_ptr<Edge> e;
        for (const auto& candidate : graph()->edges())
            if (linkData(*candidate).virtualLevel() != 0) {
                e = candidate;
                break;
            }
        if (!e) return;
        const int k = linkData(*e).virtualLevel();
        std::vector<Point> points{Point(e->origin()->x(), e->origin()->y()),
                                  Point(e->destination()->x(), e->destination()->y())};
        std::shared_ptr<Edge> current = e;
        for (int i = 0; i < k; ++i) {
            current = current->origin()->inEdges().front();
            points.insert(points.begin(), Point(current->origin()->x(), current->origin()->y()));
        }
        e->setOrigin(current->origin());
        e->setData(std::make_shared<LinkData>());
        e->setPoints(points);
    }
}

}  // namespace nodeloom::test
