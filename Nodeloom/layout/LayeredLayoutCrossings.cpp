// Crossing reduction of the layered layout: barycenter sweeps and adjacent exchanges.

#include <algorithm>
#include <cmath>
#include <numeric>

#include "Nodeloom/layout/LayeredLayout.h"

namespace nodeloom {

namespace {

// A stable merge sort that only ever asks less(right, left). The order key's tolerance makes the
// comparison intransitive, which the standard sorts may answer with undefined behaviour; a merge
// that only calls the predicate always ends, and keeps vertices that compare equal in order.
template <typename T, typename Less>
void stableMergeSort(std::vector<T>& items, Less less) {
    const std::size_t n = items.size();
    std::vector<T> buffer(n);
    for (std::size_t width = 1; width < n; width *= 2) {
        for (std::size_t lo = 0; lo < n; lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            std::size_t i = lo, j = mid, out = lo;
            while (i < mid && j < hi) {
                if (less(items[j], items[i]))
                    buffer[out++] = std::move(items[j++]);
                else
                    buffer[out++] = std::move(items[i++]);
            }
            while (i < mid)
                buffer[out++] = std::move(items[i++]);
            while (j < hi)
                buffer[out++] = std::move(items[j++]);
        }
        items.swap(buffer);
    }
}

// What the order of a layer looks at: a vertex's key and its number of edges.
struct OrderEntry {
    double key;
    std::size_t edges;
};

bool precedes(const OrderEntry& a, const OrderEntry& b) {
    if (std::abs(a.key - b.key) < 0.0001) return a.edges > b.edges;
    return a.key < b.key;
}

// Pairs (x, y) with x from `before` and y from `after` (both ascending) where x < y, less the
// pairs where x > y: how the crossings between two neighbours' edges change when they trade
// places.
std::int64_t exchangeDelta(const double* before, std::size_t nb, const double* after,
                           std::size_t na) {
    std::int64_t delta = 0;
    std::size_t below = 0, notAbove = 0;
    for (std::size_t i = 0; i < nb; ++i) {
        const double x = before[i];
        while (below < na && after[below] < x)
            ++below;
        while (notAbove < na && after[notAbove] <= x)
            ++notAbove;
        delta += static_cast<std::int64_t>(na - notAbove) - static_cast<std::int64_t>(below);
    }
    return delta;
}

}  // namespace

void LayeredLayout::computeUpBarycenters(int layer) {
    if (layer <= 0) return;
    computeBarycenters(layer, true);
}

void LayeredLayout::computeDownBarycenters(int layer) {
    computeBarycenters(layer, false);
}

void LayeredLayout::computeBarycenters(int layer, bool up) {
    const int other = up ? layer - 1 : layer + 1;
    if (layer < 0 || other < 0 || static_cast<std::size_t>(std::max(layer, other)) >= layers_.size())
        return;
    for (const std::shared_ptr<Vertex>& v : layers_[static_cast<std::size_t>(layer)]) {
        NodeData& d = nodeData(*v);
        const Neighbours neighbours = up ? upNeighbours(*v) : downNeighbours(*v);
        double sum = 0.0;
        for (int u : neighbours)
            sum += dataAt(u).gridPosition();
        const int count = static_cast<int>(neighbours.size());
        if (up) {
            d.setULinkCount(count);
            if (count >= 1) d.setUBarycenter(sum / count);
        } else {
            d.setDLinkCount(count);
            if (count >= 1) d.setDBarycenter(sum / count);
        }
    }
}

bool LayeredLayout::compareByOrderKey(const Vertex& a, const Vertex& b) const {
    return precedes({orderKey(nodeData(a)), a.edges().size()}, {orderKey(nodeData(b)), b.edges().size()});
}

int LayeredLayout::orderLayer(bool down, int layer) {
    const int target = down ? layer + 1 : layer - 1;
    if (target < 0 || static_cast<std::size_t>(target) >= layers_.size()) return 0;
    if (down)
        computeUpBarycenters(target);
    else
        computeDownBarycenters(target);
    Layer& current = layers_[static_cast<std::size_t>(target)];
    const std::size_t k = current.size();
    // Sorted by places, each vertex's key and edge count read once.
    std::vector<OrderEntry> entries;
    entries.reserve(k);
    for (const std::shared_ptr<Vertex>& v : current)
        entries.push_back({orderKey(nodeData(*v)), v->edges().size()});
    std::vector<std::size_t> order(k);
    std::iota(order.begin(), order.end(), std::size_t{0});
    stableMergeSort(order, [&entries](std::size_t a, std::size_t b) {
        return precedes(entries[a], entries[b]);
    });
    int changes = 0;
    for (std::size_t i = 0; i < k; ++i)
        if (order[i] != i) ++changes;
    if (changes >= 1) {
        Layer sorted;
        sorted.reserve(k);
        for (std::size_t i : order)
            sorted.push_back(std::move(current[i]));
        current = std::move(sorted);
        for (std::size_t i = 0; i < k; ++i)
            nodeData(*current[i]).setGridPosition(static_cast<double>(i));
    }
    return changes;
}

void LayeredLayout::reduceCrossings() {
    const int n = static_cast<int>(layers_.size());
    if (n <= 1) return;
    for (int round = 0; round < 4; ++round) {
        int changes = 0;
        for (int layer = n - 1; layer >= 1; --layer)
            changes += orderLayer(false, layer);
        for (int layer = 0; layer <= n - 2; ++layer)
            changes += orderLayer(true, layer);
        if (changes == 0) break;
    }
}

std::int64_t LayeredLayout::countCrossings(int a, int b) {
    const int n = static_cast<int>(layers_.size());
    if (a < 0 || b < 0 || a >= n || b >= n || a == b) return 0;
    // Each edge between the layers as (position of its end in a, position of its end in b).
    std::vector<std::pair<double, double>> ends;
    const bool indexed = up_.start.size() == static_cast<std::size_t>(vertexCount()) + 1 &&
                         (b == a + 1 || b == a - 1);
    for (const std::shared_ptr<Vertex>& v : layers_[static_cast<std::size_t>(a)]) {
        const double p = nodeData(*v).gridPosition();
        if (indexed) {
            for (int u : b == a + 1 ? downNeighbours(*v) : upNeighbours(*v))
                ends.emplace_back(p, dataAt(u).gridPosition());
            continue;
        }
        auto take = [&](const Vertex* u) {
            if (u && u != v.get() && nodeData(*u).layer() == b)
                ends.emplace_back(p, nodeData(*u).gridPosition());
        };
        for (const auto& e : v->inEdges())
            take(e->origin().get());
        for (const auto& e : v->outEdges())
            take(e->destination().get());
    }
    if (ends.size() < 2) return 0;
    // Sorted by the end in a (ties by the end in b), two edges cross exactly when the later one
    // has the strictly smaller end in b: count those inversions with a Fenwick tree over the
    // ranks of the ends in b. Equal positions at either end never count.
    std::sort(ends.begin(), ends.end());
    std::vector<double> ranks;
    ranks.reserve(ends.size());
    for (const auto& e : ends)
        ranks.push_back(e.second);
    std::sort(ranks.begin(), ranks.end());
    ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
    std::vector<std::int64_t> tree(ranks.size() + 1, 0);
    std::int64_t crossings = 0, seen = 0;
    for (const auto& e : ends) {
        const std::size_t rank =
            static_cast<std::size_t>(std::lower_bound(ranks.begin(), ranks.end(), e.second) -
                                     ranks.begin()) + 1;
        std::int64_t notAbove = 0;
        for (std::size_t i = rank; i > 0; i -= i & (~i + 1))
            notAbove += tree[i];
        crossings += seen - notAbove;
        for (std::size_t i = rank; i < tree.size(); i += i & (~i + 1))
            ++tree[i];
        ++seen;
    }
    return crossings;
}

void LayeredLayout::siftLayers() {
    const int rounds = siftingRounds_;
    if (rounds < 0) return;
    const int n = static_cast<int>(layers_.size());
    std::vector<int> start;
    std::vector<double> upPositions, downPositions;
    std::vector<int> upStart, downStart;
    for (int r = 1; r <= rounds + 1; ++r) {
        const int m = r % 4;
        const std::int64_t upWeight = m <= 1 ? 2 : 1, downWeight = m <= 1 ? 1 : 2;
        for (int k = 0; k < n; ++k) {
            const int layer = m <= 1 ? k : n - 1 - k;
            Layer& current = layers_[static_cast<std::size_t>(layer)];
            const std::size_t size = current.size();
            if (size < 2) continue;
            std::int64_t crossings =
                upWeight * (layer > 0 ? countCrossings(layer - 1, layer) : 0) +
                downWeight * (layer < n - 1 ? countCrossings(layer, layer + 1) : 0);
            if (crossings == 0) continue;

            // A trial exchange of two neighbours changes only the crossings between their own
            // edges, and the neighbours' positions in the adjacent layers stay put while this
            // layer is sifted: each vertex's neighbour positions, sorted once, score any trial.
            upStart.assign(size + 1, 0);
            downStart.assign(size + 1, 0);
            upPositions.clear();
            downPositions.clear();
            for (std::size_t j = 0; j < size; ++j) {
                for (int u : upNeighbours(*current[j]))
                    upPositions.push_back(dataAt(u).gridPosition());
                upStart[j + 1] = static_cast<int>(upPositions.size());
                std::sort(upPositions.begin() + upStart[j], upPositions.end());
                for (int u : downNeighbours(*current[j]))
                    downPositions.push_back(dataAt(u).gridPosition());
                downStart[j + 1] = static_cast<int>(downPositions.size());
                std::sort(downPositions.begin() + downStart[j], downPositions.end());
            }
            auto delta = [](const std::vector<double>& positions, const std::vector<int>& from,
                            int s, int t) {
                const std::size_t si = static_cast<std::size_t>(s), ti = static_cast<std::size_t>(t);
                return exchangeDelta(positions.data() + from[si],
                                     static_cast<std::size_t>(from[si + 1] - from[si]),
                                     positions.data() + from[ti],
                                     static_cast<std::size_t>(from[ti + 1] - from[ti]));
            };

            start.resize(size);
            std::iota(start.begin(), start.end(), 0);
            bool changed = false;
            for (std::size_t i = 0; i + 1 < size && crossings != 0; ++i) {
                const int s = start[i], t = start[i + 1];
                const std::int64_t trial = crossings +
                                           upWeight * delta(upPositions, upStart, s, t) +
                                           downWeight * delta(downPositions, downStart, s, t);
                if (m == 1 ? trial < crossings : trial <= crossings) {
                    NodeData& a = nodeData(*current[static_cast<std::size_t>(s)]);
                    NodeData& b = nodeData(*current[static_cast<std::size_t>(t)]);
                    const double position = a.gridPosition();
                    a.setGridPosition(b.gridPosition());
                    b.setGridPosition(position);
                    std::swap(start[i], start[i + 1]);
                    crossings = trial;
                    changed = true;
                }
            }
            if (!changed) continue;
            if (layer < n - 1) computeUpBarycenters(layer + 1);
            if (layer > 0) computeDownBarycenters(layer - 1);
            Layer reordered;
            reordered.reserve(size);
            for (int s : start)
                reordered.push_back(current[static_cast<std::size_t>(s)]);
            current = std::move(reordered);
        }
    }
}

}  // namespace nodeloom
