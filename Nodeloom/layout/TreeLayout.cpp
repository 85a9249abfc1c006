#include "Nodeloom/layout/TreeLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>
#include <utility>

#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

template <>
std::optional<TreeLayoutLinkType> fromRaw<TreeLayoutLinkType>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<TreeLayoutLinkType>(raw);
}

template <>
std::optional<AssistantType> fromRaw<AssistantType>(int raw) {
    if (raw < 1 || raw > 3) return std::nullopt;
    return static_cast<AssistantType>(raw);
}

template <>
std::optional<AssistantPosition> fromRaw<AssistantPosition>(int raw) {
    if (raw < 1 || raw > 2) return std::nullopt;
    return static_cast<AssistantPosition>(raw);
}

namespace {

// A vertex whose only incoming edges come from itself.
bool isSource(const Vertex& v) {
    return std::all_of(v.inEdges().begin(), v.inEdges().end(), [&](const auto& e) {
        return !e || e->origin().get() == &v;
    });
}

}  // namespace

// The cross axis (x when the levels advance vertically) and the level axis of a direction.
struct TreeLayout::Axes {
    explicit Axes(LayoutDirection d)
        : byX(d == LayoutDirection::topToBottom || d == LayoutDirection::bottomToTop) {}
    bool byX;
    double cross(const Vertex& v) const { return byX ? v.x() : v.y(); }
    void setCross(Vertex& v, double c) const { byX ? v.setX(c) : v.setY(c); }
    void setLevel(Vertex& v, double at) const { byX ? v.setY(at) : v.setX(at); }
    double crossSize(const Vertex& v) const { return byX ? v.width() : v.height(); }
    double extent(const Vertex& v) const { return byX ? v.height() : v.width(); }
    double near(const Vertex& v) const { return cross(v) - crossSize(v) / 2; }
    double far(const Vertex& v) const { return cross(v) + crossSize(v) / 2; }
};

namespace {

// The breadth-first spanning tree from the root; `firstVisit` answers whether a vertex is met
// for the first time. The vertex list doubles as the queue.
template <typename FirstVisit>
std::shared_ptr<Graph> rootedTree(const std::shared_ptr<Vertex>& root, FirstVisit&& firstVisit,
                                  std::vector<std::size_t>* parentPositions = nullptr) {
    auto tree = std::make_shared<Graph>();
    if (!root) return tree;
    root->setLevel(0);
    root->setParent(nullptr);
    tree->setRoot(root);
    auto& vertices = tree->vertices();
    vertices.push_back(root);
    firstVisit(*root);
    if (parentPositions != nullptr) parentPositions->assign(1, 0);
    int depthCount = 1;
    for (std::size_t head = 0; head < vertices.size(); ++head) {
        const std::shared_ptr<Vertex> v = vertices[head];
        for (const auto& e : v->outEdges()) {
            if (!e) continue;
            std::shared_ptr<Vertex> d = e->destination();
            if (!d || !firstVisit(*d)) continue;
            d->setLevel(v->level() + 1);
            d->setParent(v);
            depthCount = std::max(depthCount, d->level() + 1);
            vertices.push_back(std::move(d));
            tree->edges().push_back(e);
            if (parentPositions != nullptr) parentPositions->push_back(head);
        }
    }
    std::vector<std::vector<std::shared_ptr<Vertex>>> levels(static_cast<std::size_t>(depthCount));
    for (const auto& v : vertices) levels[static_cast<std::size_t>(v->level())].push_back(v);
    tree->setTreeLevels(std::move(levels));
    return tree;
}

// The cross coordinate that centres a vertex of cross size `size` at `at` over the span of its
// children's boxes, as a union of their rectangles measures it.
double centredOver(double at, double size, const double* childAt, const double* childSize,
                   std::size_t count) {
    double left = childAt[0] - childSize[0] / 2, width = childSize[0];
    for (std::size_t k = 1; k < count; ++k) {
        const double x = childAt[k] - childSize[k] / 2;
        const double l = std::min(left, x);
        width = std::max(left + width, x + childSize[k]) - l;
        left = l;
    }
    return at + (left + width / 2) - size / 2;
}

// The children of each vertex of a breadth-first tree are a run of positions after it.
struct Runs {
    explicit Runs(const std::vector<std::size_t>& parent)
        : first(parent.size(), 0), count(parent.size(), 0) {
        for (std::size_t i = 1; i < parent.size(); ++i)
            if (count[parent[i]]++ == 0) first[parent[i]] = i;
    }
    std::vector<std::size_t> first, count;
};

// Separates the subtrees of each level, deepest first, through each subtree's contour, with the
// shifts of a subtree kept at its root and handed down once at the end. Works on the cross
// coordinates and sizes of the tree's vertices by breadth-first position; `levelStart` holds
// where each level begins, and one past the last.
void separateByContours(std::vector<double>& at, const std::vector<double>& size,
                        const std::vector<std::size_t>& parent,
                        const std::vector<std::size_t>& levelStart, double nd) {
    const std::size_t n = at.size();
    const Runs runs(parent);
    // The contour of a subtree: per level from its deepest one (index 0) up to its root, the
    // smallest near edge and the largest far edge, relative to a frame that moves with the
    // subtree.
    struct Contour {
        std::vector<double> near, far;
        int bottom = 0;
        double frame = 0;
    };
    std::vector<Contour> contours(n);
    std::vector<double> mod(n, 0.0);
    struct Reach {
        std::size_t id;
        int bottom;
    };
    std::vector<Reach> forest;

    for (std::size_t l = levelStart.size() - 1; l-- > 0;) {
        const int level = static_cast<int>(l);
        const std::size_t levelBegin = levelStart[l], levelEnd = levelStart[l + 1];
        for (std::size_t v = levelBegin; v < levelEnd; ++v) {
            Contour& c = contours[v];
            if (runs.count[v] != 0) {
                const std::size_t first = runs.first[v], last = first + runs.count[v];
                at[v] = centredOver(at[v], size[v], &at[first], &size[first], runs.count[v]);
                // The deepest child's contour becomes this one; the others merge into it.
                std::size_t deepest = first;
                for (std::size_t k = first + 1; k < last; ++k)
                    if (contours[k].bottom > contours[deepest].bottom) deepest = k;
                c = std::move(contours[deepest]);
                for (std::size_t k = first; k < last; ++k) {
                    if (k == deepest) continue;
                    const Contour& kc = contours[k];
                    for (int lv = level + 1; lv <= kc.bottom; ++lv) {
                        const auto ic = static_cast<std::size_t>(c.bottom - lv);
                        const auto ik = static_cast<std::size_t>(kc.bottom - lv);
                        c.near[ic] = std::min(c.near[ic], kc.near[ik] + kc.frame - c.frame);
                        c.far[ic] = std::max(c.far[ic], kc.far[ik] + kc.frame - c.frame);
                    }
                    contours[k] = Contour();
                }
            } else {
                c.bottom = level;
            }
            c.near.push_back(at[v] - size[v] / 2 - c.frame);
            c.far.push_back(at[v] + size[v] / 2 - c.frame);
        }

        // Each subtree, left to right, goes nodeDistance from the nearest of all the subtrees to
        // its left. Those are kept as the deepest-reaching ones only: at every level the latest
        // subtree that reaches it lies farthest right, so its far edge is the forest's.
        forest.clear();
        forest.push_back({levelBegin, contours[levelBegin].bottom});
        for (std::size_t r = levelBegin + 1; r < levelEnd; ++r) {
            Contour& rc = contours[r];
            double gap = std::numeric_limits<double>::infinity();
            std::size_t k = forest.size();
            for (int lv = level; lv <= rc.bottom; ++lv) {
                while (k > 0 && forest[k - 1].bottom < lv) --k;
                if (k == 0) break;
                const Contour& fc = contours[forest[k - 1].id];
                const double near = rc.near[static_cast<std::size_t>(rc.bottom - lv)] + rc.frame;
                const double far = fc.far[static_cast<std::size_t>(fc.bottom - lv)] + fc.frame;
                gap = std::min(gap, near - std::max(0.0, far));
            }
            const double shift = nd - gap;
            if (shift != 0) {
                at[r] += shift;
                mod[r] += shift;
                rc.frame += shift;
            }
            while (!forest.empty() && forest.back().bottom <= rc.bottom) forest.pop_back();
            forest.push_back({r, rc.bottom});
        }
    }

    // Hand each subtree's shifts down to its descendants, parents before children.
    std::vector<double> pending(n, 0.0);
    for (std::size_t i = 1; i < n; ++i) {
        pending[i] = pending[parent[i]] + mod[parent[i]];
        if (pending[i] != 0) at[i] += pending[i];
    }
}

// Lends vertices' index fields to the layout and gives the old values back when it ends,
// backwards, so that a vertex set twice ends with the value it had before.
class BorrowedIndexes {
public:
    BorrowedIndexes() = default;
    BorrowedIndexes(const BorrowedIndexes&) = delete;
    BorrowedIndexes& operator=(const BorrowedIndexes&) = delete;
    ~BorrowedIndexes() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) it->first->setIndex(it->second);
    }
    void set(Vertex& v, std::size_t index) {
        saved_.emplace_back(&v, v.index());
        v.setIndex(static_cast<int>(index));
    }

private:
    std::vector<std::pair<Vertex*, int>> saved_;
};

}  // namespace

double TreeLayout::vertexFarEdge(const Vertex& vertex) const {
    return Axes(direction()).far(vertex);
}

double TreeLayout::vertexNearEdge(const Vertex& vertex) const {
    return Axes(direction()).near(vertex);
}

std::shared_ptr<Graph> TreeLayout::buildRootedTree(const std::shared_ptr<Vertex>& root) const {
    std::unordered_set<const Vertex*> visited;
    return rootedTree(root, [&](const Vertex& v) { return visited.insert(&v).second; });
}

std::vector<std::shared_ptr<Vertex>> TreeLayout::treeChildren(const Graph& tree,
                                                              const Vertex& vertex) const {
    // A destination is a child when this vertex reached it first, and then through the first
    // edge that leads to it.
    std::vector<std::shared_ptr<Vertex>> children;
    std::unordered_set<const Vertex*> seen;
    const Vertex* root = tree.root().get();
    for (const auto& e : vertex.outEdges()) {
        if (!e) continue;
        std::shared_ptr<Vertex> d = e->destination();
        if (!d || !seen.insert(d.get()).second || d.get() == root) continue;
        if (d->parent().get() == &vertex) children.push_back(std::move(d));
    }
    return children;
}

void TreeLayout::visitSubtree(const Graph& tree, Vertex& vertex, const SubtreeAction& action,
                              Point context) {
    // Pre-order with an explicit stack, so that a long chain cannot exhaust the call stack.
    std::vector<Vertex*> stack{&vertex};
    while (!stack.empty()) {
        Vertex* v = stack.back();
        stack.pop_back();
        if (action) action(*v, context);
        const auto children = treeChildren(tree, *v);
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(it->get());
    }
}

void TreeLayout::measureSubtree(const Graph& tree, const Vertex& vertex, LevelMap& map) {
    std::vector<const Vertex*> stack{&vertex};
    while (!stack.empty()) {
        const Vertex* v = stack.back();
        stack.pop_back();
        map[v->level()].push_back(v);
        const auto children = treeChildren(tree, *v);
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(it->get());
    }
}

double TreeLayout::subtreeGap(const Graph& tree, const Vertex& left, const Vertex& right) {
    double g = vertexNearEdge(right) - vertexFarEdge(left);
    LevelMap leftMap, rightMap;
    measureSubtree(tree, left, leftMap);
    measureSubtree(tree, right, rightMap);
    for (const auto& [level, lefts] : leftMap) {
        const auto r = rightMap.find(level);
        if (r == rightMap.end() || lefts.empty() || r->second.empty()) continue;
        double far = 0;
        for (const auto& v : lefts) far = std::max(far, vertexFarEdge(*v));
        double near = std::numeric_limits<double>::infinity();
        for (const auto& v : r->second) near = std::min(near, vertexNearEdge(*v));
        if (near - far < g) g = near - far;
    }
    return g;
}

void TreeLayout::separateBySubtreeWalks(const Axes& axes, Graph& tree) {
    const double nd = nodeDistance();
    const auto& levels = tree.treeLevels();
    const SubtreeAction move = [](Vertex& v, Point offset) {
        v.setX(v.x() + offset.x);
        v.setY(v.y() + offset.y);
    };
    std::vector<double> childAt, childSize;
    for (std::size_t l = levels.size(); l-- > 0;) {
        const auto& level = levels[l];
        for (const auto& v : level) {
            const auto children = treeChildren(tree, *v);
            if (children.empty()) continue;
            childAt.clear();
            childSize.clear();
            for (const auto& k : children) {
                childAt.push_back(axes.cross(*k));
                childSize.push_back(axes.crossSize(*k));
            }
            axes.setCross(*v, centredOver(axes.cross(*v), axes.crossSize(*v), childAt.data(),
                                          childSize.data(), children.size()));
        }
        for (std::size_t i = 0; i + 1 < level.size(); ++i) {
            Vertex& r = *level[i + 1];
            for (std::size_t j = i + 1; j-- > 0;) {
                const double g = subtreeGap(tree, *level[j], r);
                double shift = 0;
                if (j == i || g < nd) shift = nd - g;
                if (shift != 0)
                    visitSubtree(tree, r, move, axes.byX ? Point(shift, 0) : Point(0, shift));
            }
        }
    }
}

bool TreeLayout::arrangeGraph(const std::shared_ptr<Graph>& graph) {
    if (!graph) return false;
    std::shared_ptr<Vertex> root;
    for (const auto& v : graph->vertices()) {
        if (v && isSource(*v)) {
            root = v;
            break;
        }
    }
    if (!root) return false;

    // While the tree is built the vertices' index fields hold their positions in the graph, as
    // dense ids for the visited marks.
    std::vector<std::size_t> parent;
    std::shared_ptr<Graph> tree;
    {
        BorrowedIndexes ids;
        const auto& all = graph->vertices();
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i]) ids.set(*all[i], i);
        std::vector<char> visited(all.size(), 0);
        std::unordered_set<const Vertex*> outside;
        tree = rootedTree(
            root,
            [&](const Vertex& v) {
                const int i = v.index();
                if (i >= 0 && static_cast<std::size_t>(i) < all.size() &&
                    all[static_cast<std::size_t>(i)].get() == &v) {
                    if (visited[static_cast<std::size_t>(i)]) return false;
                    visited[static_cast<std::size_t>(i)] = 1;
                    return true;
                }
                return outside.insert(&v).second;
            },
            &parent);
    }

    // The arrangement works on flat copies of the cross coordinates, cross sizes and extents,
    // by breadth-first position, where each level is a run of positions.
    const Axes axes(direction());
    const auto& order = tree->vertices();
    const std::size_t n = order.size();
    const double rx = root->x() + root->width() / 2;
    const double ry = root->y() + root->height() / 2;
    std::vector<double> at(n), size(n), extent(n), level(n);
    for (std::size_t i = 0; i < n; ++i) {
        size[i] = axes.crossSize(*order[i]);
        extent[i] = axes.extent(*order[i]);
        at[i] = size[i] / 2;
    }
    const auto& levels = tree->treeLevels();
    std::vector<std::size_t> levelStart{0};
    std::vector<double> levelSize;
    for (const auto& l : levels) {
        const std::size_t begin = levelStart.back(), end = begin + l.size();
        double largest = -std::numeric_limits<double>::infinity();
        for (std::size_t i = begin; i < end; ++i) largest = std::max(largest, extent[i]);
        levelSize.push_back(largest);
        levelStart.push_back(end);
    }

    const double nd = nodeDistance();
    double acc = 0;
    for (std::size_t i = levelStart[levels.size() - 1]; i < n; ++i) {
        at[i] = at[i] + acc;
        acc = acc + size[i] + nd;
    }

    // Contours order the subtrees only when no two of them may overlap.
    bool ordered = std::isfinite(nd) && nd >= 0;
    for (const double s : size)
        if (!std::isfinite(s) || s < 0) ordered = false;
    if (ordered) {
        separateByContours(at, size, parent, levelStart, nd);
    } else {
        for (std::size_t i = 0; i < n; ++i) axes.setCross(*order[i], at[i]);
        separateBySubtreeWalks(axes, *tree);
        for (std::size_t i = 0; i < n; ++i) at[i] = axes.cross(*order[i]);
    }

    const LayoutDirection dir = direction();
    const bool reversed = dir == LayoutDirection::bottomToTop || dir == LayoutDirection::rightToLeft;
    const double m = margins();
    acc = 0;
    for (std::size_t step = 0; step < levels.size(); ++step) {
        const std::size_t l = reversed ? levels.size() - 1 - step : step;
        for (std::size_t i = levelStart[l]; i < levelStart[l + 1]; ++i) {
            const double offset = reversed ? levelSize[l] - extent[i] : 0.0;
            level[i] = acc + offset + m + extent[i] / 2;
            at[i] = at[i] + m;
        }
        if (step + 1 < levels.size()) acc = acc + levelSize[l] + levelDistance();
    }

    std::vector<double>& xs = axes.byX ? at : level;
    std::vector<double>& ys = axes.byX ? level : at;
    if (keepRootPosition()) {
        const double dx = rx - xs[0], dy = ry - ys[0];
        if (dx != 0 || dy != 0) {
            for (std::size_t i = 0; i < n; ++i) {
                xs[i] = xs[i] + dx;
                ys[i] = ys[i] + dy;
            }
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        order[i]->setX(xs[i]);
        order[i]->setY(ys[i]);
    }

    switch (linkType()) {
    case TreeLayoutLinkType::straight:
        setStraightLinkPoints(*tree);
        break;
    case TreeLayoutLinkType::cascading:
        setCascadingLinkPoints(*tree);
        break;
    case TreeLayoutLinkType::default_:
        break;
    }
    return true;
}

void TreeLayout::setStraightLinkPoints(Graph& tree) {
    const LayoutDirection dir = direction();
    for (const auto& e : tree.edges()) {
        const auto o = e ? e->origin() : nullptr;
        const auto d = e ? e->destination() : nullptr;
        if (!o || !d) continue;
        switch (dir) {
        case LayoutDirection::topToBottom:
            e->setPoints(std::vector<Point>{Point(o->x(), o->y() + o->height() / 2),
                                            Point(d->x(), d->y() - d->height() / 2)});
            break;
        case LayoutDirection::leftToRight:
            e->setPoints(std::vector<Point>{Point(o->x() + o->width() / 2, o->y()),
                                            Point(d->x() - d->width() / 2, d->y())});
            break;
        case LayoutDirection::bottomToTop:
            e->setPoints(std::vector<Point>{Point(o->x(), o->y() - o->height() / 2),
                                            Point(d->x(), d->y() + d->height() / 2)});
            break;
        case LayoutDirection::rightToLeft:
            e->setPoints(std::vector<Point>{Point(o->x() - o->width() / 2, o->y()),
                                            Point(d->x() + d->width() / 2, d->y())});
            break;
        }
    }
}

void TreeLayout::setCascadingLinkPoints(Graph& tree) {
    const LayoutDirection dir = direction();
    const double half = levelDistance() * 0.5;
    for (const auto& e : tree.edges()) {
        const auto o = e ? e->origin() : nullptr;
        const auto d = e ? e->destination() : nullptr;
        if (!o || !d) continue;
        switch (dir) {
        case LayoutDirection::topToBottom: {
            const double b = d->y() - d->height() / 2 - half;
            e->setPoints(std::vector<Point>{Point(o->x(), o->y() + o->height() / 2),
                                            Point(o->x(), b), Point(d->x(), b),
                                            Point(d->x(), d->y() - d->height() / 2)});
            break;
        }
        case LayoutDirection::leftToRight: {
            const double b = d->x() - d->width() / 2 - half;
            e->setPoints(std::vector<Point>{Point(o->x() + o->width() / 2, o->y()),
                                            Point(b, o->y()), Point(b, d->y()),
                                            Point(d->x() - d->width() / 2, d->y())});
            break;
        }
        case LayoutDirection::bottomToTop: {
            const double b = d->y() + d->height() / 2 + half;
            e->setPoints(std::vector<Point>{Point(o->x(), o->y() - o->height() / 2),
                                            Point(o->x(), b), Point(d->x(), b),
                                            Point(d->x(), d->y() + d->height() / 2)});
            break;
        }
        case LayoutDirection::rightToLeft: {
            const double b = d->x() + d->width() / 2 + half;
            e->setPoints(std::vector<Point>{Point(o->x() - o->width() / 2, o->y()),
                                            Point(b, o->y()), Point(b, d->y()),
                                            Point(d->x() + d->width() / 2, d->y())});
            break;
        }
        }
    }
}

}  // namespace nodeloom
