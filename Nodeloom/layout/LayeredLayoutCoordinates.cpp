// The coordinate pass of the layered layout: minimum distances, untangling, class compaction,
// balancing sweeps and the layers' places along the layer axis.

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

#include "Nodeloom/layout/LayeredLayout.h"

namespace nodeloom {

namespace {

constexpr std::int64_t kImmovable = std::numeric_limits<std::int64_t>::max();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The median of the values (the mean of the two middle ones for an even count), 0 for none.
double median(std::vector<double>& values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    if (values.size() % 2 == 1) return values[mid];
    return (values[mid - 1] + values[mid]) / 2;
}

// How many binary digits below the point the number needs (0 for an integer).
int fractionDigits(double value) {
    if (value == 0.0) return 0;
    int exponent = 0;
    const double mantissa = std::frexp(std::abs(value), &exponent);
    const auto digits = static_cast<std::uint64_t>(std::ldexp(mantissa, 53));
    return std::max(0, 53 - std::countr_zero(digits) - exponent);
}

}  // namespace

void LayeredLayout::assignCoordinates() {
    const int count = static_cast<int>(layers_.size());
    const int n = vertexCount();

    for (Layer& layer : layers_)
        std::stable_sort(layer.begin(), layer.end(),
                         [](const std::shared_ptr<Vertex>& a, const std::shared_ptr<Vertex>& b) {
                             return nodeData(*a).gridPosition() < nodeData(*b).gridPosition();
                         });

    minDistances_.assign(static_cast<std::size_t>(count), {});
    distanceSums_.assign(static_cast<std::size_t>(count), {});
    for (std::size_t l = 0; l < layers_.size(); ++l) {
        const Layer& layer = layers_[l];
        std::vector<double>& distances = minDistances_[l];
        distances.assign(layer.size(), nodeDistance_);
        for (std::size_t j = 0; j < layer.size(); ++j) {
            nodeData(*layer[j]).setIndexInLayer(static_cast<int>(j));
            if (j + 1 < layer.size())
                distances[j] += (sizeAcross(*layer[j]) + sizeAcross(*layer[j + 1])) * 0.5;
        }
    }

    sortNeighbourLists();
    untangleInnerSegments();

    const std::vector<Layer> leftClasses = assignClasses(nodeLeftClass_, +1);
    const std::vector<Layer> rightClasses = assignClasses(nodeRightClass_, -1);
    const PositionMap left = compactLeft(leftClasses);
    const PositionMap right = compactRight(rightClasses);
    PositionMap x(static_cast<std::size_t>(n));
    for (const std::shared_ptr<Vertex>& v : graph_->vertices())
        x.set(*v, (left[*v] + right[*v]) * 0.5);

    balance(x);

    const bool vertical = direction_ == LayoutDirection::topToBottom ||
                          direction_ == LayoutDirection::bottomToTop;
    const bool forward = direction_ == LayoutDirection::topToBottom ||
                         direction_ == LayoutDirection::leftToRight;
    double position = margins();
    for (int k = 0; k < count; ++k) {
        const Layer& layer = layers_[static_cast<std::size_t>(forward ? k : count - 1 - k)];
        double thickness = 0.0;
        for (const std::shared_ptr<Vertex>& v : layer)
            thickness = std::max(thickness, sizeAlong(*v));
        const double centre = position + thickness * 0.5;
        for (const std::shared_ptr<Vertex>& v : layer) {
            if (vertical) {
                v->setX(x[*v]);
                v->setY(centre);
            } else {
                v->setX(centre);
                v->setY(x[*v]);
            }
        }
        position += thickness + layerDistance_;
    }
}

void LayeredLayout::sortNeighbourLists() {
    upNodes_ = up_;
    downNodes_ = down_;
    auto byPosition = [this](int a, int b) {
        return dataAt(a).gridPosition() < dataAt(b).gridPosition();
    };
    for (Adjacency* lists : {&downNodes_, &upNodes_})
        for (std::size_t i = 0; i + 1 < lists->start.size(); ++i)
            std::stable_sort(lists->list.begin() + lists->start[i],
                             lists->list.begin() + lists->start[i + 1], byPosition);
}

// Taking the virtual vertices of layer L in order, each one's lower virtual neighbour must lie
// left of the next one's. Exchanging crossed pairs one after another ends with the lower
// neighbours holding their places (and positions) in the order of their upper ones, which a
// sort of the places gives at once.
void LayeredLayout::untangleInnerSegments() {
    std::vector<const Vertex*> lower;
    std::vector<std::pair<double, int>> places;
    for (std::size_t l = 0; l + 1 < layers_.size(); ++l) {
        lower.clear();
        for (const std::shared_ptr<Vertex>& a : layers_[l]) {
            if (!a->virtual_()) continue;
            const Neighbours down = sortedDownNodes(*a);
            if (down.empty()) continue;
            const Vertex& d = vertexAt(*down.begin());
            if (d.virtual_()) lower.push_back(&d);
        }
        if (lower.size() < 2) continue;
        places.clear();
        for (const Vertex* d : lower)
            places.emplace_back(nodeData(*d).gridPosition(), nodeData(*d).indexInLayer());
        std::sort(places.begin(), places.end());
        Layer& next = layers_[l + 1];
        for (std::size_t i = 0; i < lower.size(); ++i) {
            NodeData& d = nodeData(*lower[i]);
            d.setGridPosition(places[i].first);
            d.setIndexInLayer(places[i].second);
            next[static_cast<std::size_t>(places[i].second)] =
                graph_->vertices()[static_cast<std::size_t>(lower[i]->index())];
        }
    }
}

const LayeredLayout::DistanceSums& LayeredLayout::distanceSums(int layer) {
    DistanceSums& sums = distanceSums_[static_cast<std::size_t>(layer)];
    if (sums.current) return sums;
    // The sums are running sums from the smaller index up. When every distance is a multiple of
    // a power of two small enough that no partial sum needs more than 52 binary digits, every
    // such sum is exact, in any order, and a difference of prefix sums gives the same number.
    const std::vector<double>& distances = minDistances_[static_cast<std::size_t>(layer)];
    const std::size_t n = distances.size();
    sums.prefix.assign(n, 0.0);
    sums.exact = true;
    int digits = 0;
    double total = 0.0;
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const double d = distances[k];
        if (!std::isfinite(d)) {
            sums.exact = false;
            break;
        }
        digits = std::max(digits, fractionDigits(d));
        total += std::abs(d);
        sums.prefix[k + 1] = sums.prefix[k] + d;
    }
    sums.exact = sums.exact && digits <= 52 && std::ldexp(total, digits) < std::ldexp(1.0, 52);
    sums.current = true;
    return sums;
}

double LayeredLayout::minDistanceBetween(const Vertex& a, const Vertex& b) {
    const NodeData& da = nodeData(a);
    const NodeData& db = nodeData(b);
    const int layer = da.layer();
    if (layer != db.layer() || layer < 0 || static_cast<std::size_t>(layer) >= minDistances_.size())
        return 0.0;
    const std::vector<double>& distances = minDistances_[static_cast<std::size_t>(layer)];
    const int from = std::min(da.indexInLayer(), db.indexInLayer());
    const int to = std::max(da.indexInLayer(), db.indexInLayer());
    if (from < 0 || from == to || static_cast<std::size_t>(to) >= distances.size()) return 0.0;
    const DistanceSums& sums = distanceSums(layer);
    if (sums.exact)
        return sums.prefix[static_cast<std::size_t>(to)] - sums.prefix[static_cast<std::size_t>(from)];
    double sum = 0.0;
    for (int i = from; i < to; ++i)
        sum += distances[static_cast<std::size_t>(i)];
    return sum;
}

void LayeredLayout::setMinDistance(const Vertex& v, double distance) {
    const NodeData& d = nodeData(v);
    if (d.layer() < 0 || static_cast<std::size_t>(d.layer()) >= minDistances_.size()) return;
    std::vector<double>& distances = minDistances_[static_cast<std::size_t>(d.layer())];
    if (d.indexInLayer() < 0 || static_cast<std::size_t>(d.indexInLayer()) >= distances.size())
        return;
    distances[static_cast<std::size_t>(d.indexInLayer())] = distance;
    distanceSums_[static_cast<std::size_t>(d.layer())].current = false;
}

std::shared_ptr<Vertex> LayeredLayout::nextVirtualInLayer(const Layer& layer, const Vertex& v) const {
    for (std::size_t j = static_cast<std::size_t>(std::max(nodeData(v).indexInLayer() + 1, 0));
         j < layer.size(); ++j)
        if (layer[j]->virtual_()) return layer[j];
    return nullptr;
}

std::shared_ptr<Vertex> LayeredLayout::neighborInLayer(const Vertex& v, int layer) const {
    for (const Neighbours& list : {sortedUpNodes(v), sortedDownNodes(v)}) {
        if (list.empty()) continue;
        const std::shared_ptr<Vertex>& first = graph_->vertices()[static_cast<std::size_t>(*list.begin())];
        if (nodeData(*first).layer() == layer) return first;
    }
    return nullptr;
}

// --- Compaction ----------------------------------------------------------------------------

std::vector<LayeredLayout::Layer> LayeredLayout::assignClasses(std::vector<int>& classes, int step) {
    const auto& vertices = graph_->vertices();
    classes.assign(vertices.size(), -1);
    std::vector<Layer> members(layers_.size());
    for (std::size_t i = 0; i < layers_.size(); ++i) {
        const Layer& layer = layers_[i];
        int running = static_cast<int>(i);
        for (std::size_t k = 0; k < layer.size(); ++k) {
            const std::shared_ptr<Vertex>& v = layer[step > 0 ? k : layer.size() - 1 - k];
            int& cls = classes[static_cast<std::size_t>(v->index())];
            if (cls >= 0) {
                running = cls;
                continue;
            }
            const Neighbours chain = v->virtual_() ? chainOf(*v) : Neighbours{nullptr, nullptr};
            if (chain.empty()) {
                cls = running;
                members[static_cast<std::size_t>(running)].push_back(v);
                continue;
            }
            for (int w : chain) {
                int& wc = classes[static_cast<std::size_t>(w)];
                if (wc >= 0) continue;
                wc = running;
                members[static_cast<std::size_t>(running)].push_back(vertices[static_cast<std::size_t>(w)]);
            }
            if (cls < 0) {
                cls = running;
                members[static_cast<std::size_t>(running)].push_back(v);
            }
        }
    }
    return members;
}

// Left compaction places each block against its left neighbours of the same class (side -1);
// right compaction mirrors it (side +1).
void LayeredLayout::placeClass(const Vertex& v, PositionMap& x, int side) {
    const std::vector<int>& classes = side < 0 ? nodeLeftClass_ : nodeRightClass_;
    auto classOf = [&](const Vertex& w) { return classes[static_cast<std::size_t>(w.index())]; };
    // A block is a long edge's chain of virtual vertices, or a single vertex. Blocks are placed
    // depth first, a block after the unplaced neighbours it leans on, with a stack of its own.
    struct Frame {
        Neighbours chain;
        int single;
        std::size_t member;
        double bound;
        std::size_t size() const { return chain.empty() ? 1 : chain.size(); }
        int at(std::size_t i) const { return chain.empty() ? single : chain.first[i]; }
    };
    std::vector<Frame> stack;
    busy_.resize(static_cast<std::size_t>(vertexCount()), 0);
    auto open = [&](const Vertex& b) {
        Frame frame{b.virtual_() ? chainOf(b) : Neighbours{nullptr, nullptr}, b.index(), 0,
                    side < 0 ? -kInfinity : kInfinity};
        for (std::size_t i = 0; i < frame.size(); ++i)
            busy_[static_cast<std::size_t>(frame.at(i))] = 1;
        stack.push_back(frame);
    };
    open(v);
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.member == frame.size()) {
            const double value = std::isinf(frame.bound) ? 0.0 : frame.bound;
            for (std::size_t i = 0; i < frame.size(); ++i) {
                x.set(vertexAt(frame.at(i)), value);
                busy_[static_cast<std::size_t>(frame.at(i))] = 0;
            }
            stack.pop_back();
            continue;
        }
        const Vertex& w = vertexAt(frame.at(frame.member));
        const Vertex* u = besideInLayer(w, side);
        if (u && classOf(*u) == classOf(w)) {
            if (!x.has(*u)) {
                // A neighbour whose block is still open would close a cycle; it bounds nothing.
                if (!busy_[static_cast<std::size_t>(u->index())]) {
                    open(*u);
                    continue;
                }
            } else if (side < 0) {
                frame.bound = std::max(frame.bound, x[*u] + minDistanceBetween(*u, w));
            } else {
                frame.bound = std::min(frame.bound, x[*u] - minDistanceBetween(w, *u));
            }
        }
        ++frame.member;
    }
}

void LayeredLayout::placeLeftClass(const Vertex& v, PositionMap& x, int /*cls*/) {
    placeClass(v, x, -1);
}

void LayeredLayout::placeRightClass(const Vertex& v, PositionMap& x, int /*cls*/) {
    placeClass(v, x, +1);
}

LayeredLayout::PositionMap LayeredLayout::compact(const std::vector<Layer>& classes, int side) {
    const std::vector<int>& classOf = side < 0 ? nodeLeftClass_ : nodeRightClass_;
    PositionMap x(static_cast<std::size_t>(vertexCount()));
    std::vector<double> offsets;
    for (std::size_t c = 0; c < classes.size(); ++c) {
        const int cls = static_cast<int>(c);
        for (const std::shared_ptr<Vertex>& v : classes[c])
            if (!x.has(*v)) {
                if (side < 0)
                    placeLeftClass(*v, x, cls);
                else
                    placeRightClass(*v, x, cls);
            }
        // The class moves as a whole: as far as its neighbours of other classes on the far side
        // allow, else by the median offset to its neighbours in earlier classes.
        bool bounded = false;
        double shift = side < 0 ? kInfinity : -kInfinity;
        for (const std::shared_ptr<Vertex>& v : classes[c]) {
            const Vertex* w = besideInLayer(*v, -side);
            if (!w || classOf[static_cast<std::size_t>(w->index())] == cls || !x.has(*w)) continue;
            bounded = true;
            if (side < 0)
                shift = std::min(shift, x[*w] - x[*v] - minDistanceBetween(*v, *w));
            else
                shift = std::max(shift, x[*w] - x[*v] + minDistanceBetween(*w, *v));
        }
        if (!bounded) {
            offsets.clear();
            for (const std::shared_ptr<Vertex>& v : classes[c])
                for (const Neighbours& list : {sortedUpNodes(*v), sortedDownNodes(*v)})
                    for (int u : list) {
                        const int uc = classOf[static_cast<std::size_t>(u)];
                        if (uc >= 0 && uc < cls) offsets.push_back(x[vertexAt(u)] - x[*v]);
                    }
            shift = median(offsets);
        }
        for (const std::shared_ptr<Vertex>& v : classes[c])
            x.set(*v, x[*v] + shift);
    }
    return x;
}

LayeredLayout::PositionMap LayeredLayout::compactLeft(const std::vector<Layer>& classes) {
    return compact(classes, -1);
}

LayeredLayout::PositionMap LayeredLayout::compactRight(const std::vector<Layer>& classes) {
    return compact(classes, +1);
}

// --- Balancing sweeps ----------------------------------------------------------------------

void LayeredLayout::balance(PositionMap& x) {
    const std::size_t n = static_cast<std::size_t>(vertexCount());
    std::vector<int> marks(n, 0);
    std::vector<char> tight(n, 0);
    for (const Layer& layer : layers_) {
        const Vertex* previous = nullptr;
        std::size_t previousPlace = 0;
        for (std::size_t j = 0; j < layer.size(); ++j) {
            const Vertex& v = *layer[j];
            if (!v.virtual_()) continue;
            if (previous && j - previousPlace > 1)
                tight[static_cast<std::size_t>(previous->index())] =
                    x[v] - x[*previous] == minDistanceBetween(*previous, v);
            previous = &v;
            previousPlace = j;
        }
    }

    std::vector<const Vertex*> run;
    // Places a run and, when asked, keeps the gaps it made as the layer's minimum distances.
    auto place = [&](const Vertex* prev, const Vertex* next, int step, bool recordGaps) {
        if (run.empty()) return;
        placeDivideAndConquer(x, prev, next, step, run);
        if (!recordGaps) return;
        for (std::size_t i = 0; i + 1 < run.size(); ++i)
            setMinDistance(*run[i], x[*run[i + 1]] - x[*run[i]]);
    };
    auto sweep = [&](int step) {
        const int count = static_cast<int>(layers_.size());
        for (int k = 0; k < count; ++k) {
            const int l = step > 0 ? k : count - 1 - k;
            const Layer& layer = layers_[static_cast<std::size_t>(l)];
            std::size_t j = 0;
            run.clear();
            while (j < layer.size() && !layer[j]->virtual_())
                run.push_back(layer[j++].get());
            const Vertex* first = j < layer.size() ? layer[j].get() : nullptr;
            place(nullptr, first, step, true);
            if (first && !run.empty()) setMinDistance(*run.back(), x[*first] - x[*run.back()]);
            if (first) {
                std::shared_ptr<Vertex> p = layer[j];
                while (std::shared_ptr<Vertex> q = nextVirtualInLayer(layer, *p)) {
                    if (marks[static_cast<std::size_t>(p->index())] == step) {
                        run.clear();
                        for (int i = nodeData(*p).indexInLayer() + 1; i < nodeData(*q).indexInLayer(); ++i)
                            run.push_back(layer[static_cast<std::size_t>(i)].get());
                        place(p.get(), q.get(), step, false);
                        tight[static_cast<std::size_t>(p->index())] = 1;
                    }
                    p = std::move(q);
                }
                run.clear();
                for (std::size_t i = static_cast<std::size_t>(nodeData(*p).indexInLayer()) + 1;
                     i < layer.size(); ++i)
                    run.push_back(layer[i].get());
                place(p.get(), nullptr, step, true);
                if (!run.empty()) setMinDistance(*p, x[*run.front()] - x[*p]);
            }
            alignInnerSegments(l, step, marks, tight);
        }
    };
    sweep(+1);
    sweep(-1);
}

void LayeredLayout::alignInnerSegments(int layer, int step, std::vector<int>& marks,
                                       std::vector<char>& tight) {
    const int next = layer + step;
    if (layer < 0 || next < 0 || static_cast<std::size_t>(std::max(layer, next)) >= layers_.size())
        return;
    const Layer& here = layers_[static_cast<std::size_t>(layer)];
    const Layer& there = layers_[static_cast<std::size_t>(next)];
    const Vertex* pv = nullptr;
    const Vertex* pw = nullptr;
    for (const std::shared_ptr<Vertex>& v : there) {
        if (!v->virtual_()) continue;
        const std::shared_ptr<Vertex> w = neighborInLayer(*v, layer);
        if (!w || !w->virtual_()) continue;
        if (pv) {
            bool t = tight[static_cast<std::size_t>(pw->index())] != 0;
            for (int i = nodeData(*pw).indexInLayer() + 1; i < nodeData(*w).indexInLayer(); ++i) {
                const Vertex& between = *here[static_cast<std::size_t>(i)];
                if (between.virtual_()) t = t && tight[static_cast<std::size_t>(between.index())];
            }
            if (t) {
                marks[static_cast<std::size_t>(pv->index())] = step;
                for (int i = nodeData(*pv).indexInLayer() + 1; i < nodeData(*v).indexInLayer(); ++i) {
                    const Vertex& between = *there[static_cast<std::size_t>(i)];
                    if (between.virtual_()) marks[static_cast<std::size_t>(between.index())] = step;
                }
            }
        }
        pv = v.get();
        pw = w.get();
    }
}

void LayeredLayout::placeDivideAndConquer(PositionMap& x, const Vertex* prev, const Vertex* next,
                                          int step, const std::vector<const Vertex*>& run) {
    if (run.empty()) return;
    if (run.size() == 1) {
        placeSingleVertex(x, prev, next, step, *run.front());
        return;
    }
    const std::size_t m = run.size() / 2;
    const auto middle = run.begin() + static_cast<std::ptrdiff_t>(m);
    placeDivideAndConquer(x, prev, next, step, std::vector<const Vertex*>(run.begin(), middle));
    placeDivideAndConquer(x, prev, next, step, std::vector<const Vertex*>(middle, run.end()));
    combineHalves(x, prev, next, step, run);
}

void LayeredLayout::placeSingleVertex(PositionMap& x, const Vertex* prev, const Vertex* next,
                                      int step, const Vertex& v) {
    const Neighbours refs = step > 0 ? sortedUpNodes(v) : sortedDownNodes(v);
    if (!refs.empty()) {
        const std::size_t c = refs.size();
        const double middle = x[vertexAt(refs.first[c / 2])];
        x.set(v, c % 2 == 1 ? middle : (x[vertexAt(refs.first[c / 2 - 1])] + middle) / 2);
    }
    if (prev) x.set(v, std::max(x[v], x[*prev] + minDistanceBetween(*prev, v)));
    if (next) x.set(v, std::min(x[v], x[*next] - minDistanceBetween(v, *next)));
}

void LayeredLayout::combineHalves(PositionMap& x, const Vertex* prev, const Vertex* next, int step,
                                  const std::vector<const Vertex*>& run) {
    const std::size_t n = run.size(), m = n / 2;
    if (n < 2) return;
    const Vertex& a = *run[m - 1];
    const Vertex& b = *run[m];
    const double gap = minDistanceBetween(a, b);
    auto refs = [&](const Vertex& v) { return step > 0 ? sortedUpNodes(v) : sortedDownNodes(v); };

    std::vector<Pair> left, right;
    for (std::size_t i = 0; i < m; ++i) {
        const Vertex& v = *run[i];
        const double toA = minDistanceBetween(v, a);
        std::int64_t c = 0;
        for (int ui : refs(v)) {
            const double xu = x[vertexAt(ui)];
            if (xu < x[v]) {
                --c;
                left.push_back({xu + toA, 2});
            } else {
                ++c;
            }
        }
        left.push_back({x[v] + toA, c});
    }
    if (prev) left.push_back({x[*prev] + minDistanceBetween(*prev, a), kImmovable});
    std::stable_sort(left.begin(), left.end(), [](const Pair& p, const Pair& q) { return p.k > q.k; });

    for (std::size_t i = m; i < n; ++i) {
        const Vertex& v = *run[i];
        const double fromB = minDistanceBetween(b, v);
        std::int64_t c = 0;
        for (int ui : refs(v)) {
            const double xu = x[vertexAt(ui)];
            if (xu > x[v]) {
                --c;
                right.push_back({xu - fromB, 2});
            } else {
                ++c;
            }
        }
        right.push_back({x[v] - fromB, c});
    }
    if (next) right.push_back({x[*next] - minDistanceBetween(b, *next), kImmovable});
    std::stable_sort(right.begin(), right.end(), [](const Pair& p, const Pair& q) { return p.k < q.k; });

    // The side with less resistance gives way, taking the first pair off its list each time.
    std::int64_t resistLeft = 0, resistRight = 0;
    std::size_t nextLeft = 0, nextRight = 0;
    while (x[b] - x[a] < gap) {
        if (resistLeft < resistRight) {
            if (nextLeft == left.size()) {
                x.set(a, x[b] - gap);
                break;
            }
            const Pair& p = left[nextLeft++];
            resistLeft = p.v == kImmovable ? kImmovable : resistLeft + p.v;
            x.set(a, std::max(p.k, x[b] - gap));
        } else {
            if (nextRight == right.size()) {
                x.set(b, x[a] + gap);
                break;
            }
            const Pair& p = right[nextRight++];
            resistRight = p.v == kImmovable || resistRight == kImmovable ? kImmovable : resistRight + p.v;
            x.set(b, std::min(p.k, x[a] + gap));
        }
    }

    for (std::size_t i = m - 1; i-- > 0;)
        x.set(*run[i], std::min(x[*run[i]], x[*run[i + 1]] - minDistanceBetween(*run[i], *run[i + 1])));
    for (std::size_t i = m + 1; i < n; ++i)
        x.set(*run[i], std::max(x[*run[i]], x[*run[i - 1]] + minDistanceBetween(*run[i - 1], *run[i])));
}

}  // namespace nodeloom
