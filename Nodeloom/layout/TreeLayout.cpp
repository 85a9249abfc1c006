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

bool TreeLayout::crossIsX() const {
    const LayoutDirection d = direction();
    return d == LayoutDirection::topToBottom || d == LayoutDirection::bottomToTop;
}

double TreeLayout::cross(const Vertex& v) const {
    return crossIsX() ? v.x() : v.y();
}

void TreeLayout::setCross(Vertex& v, double c) const {
    if (crossIsX())
        v.setX(c);
    else
        v.setY(c);
}

double TreeLayout::crossSize(const Vertex& v) const {
    return crossIsX() ? v.width() : v.height();
}

double TreeLayout::extent(const Vertex& v) const {
    return crossIsX() ? v.height() : v.width();
}

double TreeLayout::vertexFarEdge(const Vertex& vertex) const {
    return cross(vertex) + crossSize(vertex) / 2;
}

double TreeLayout::vertexNearEdge(const Vertex& vertex) const {
    return cross(vertex) - crossSize(vertex) / 2;
}

std::shared_ptr<Graph> TreeLayout::buildRootedTree(const std::shared_ptr<Vertex>& root) const {
    auto tree = std::make_shared<Graph>();
    if (!root) return tree;
    root->setLevel(0);
    root->setParent(nullptr);
    tree->setRoot(root);
    auto& vertices = tree->vertices();
    vertices.push_back(root);
    std::unordered_set<const Vertex*> visited{root.get()};
    int depthCount = 1;
    // The vertex list doubles as the queue.
    for (std::size_t head = 0; head < vertices.size(); ++head) {
        const std::shared_ptr<Vertex> v = vertices[head];
        for (const auto& e : v->outEdges()) {
            if (!e) continue;
            std::shared_ptr<Vertex> d = e->destination();
            if (!d || !visited.insert(d.get()).second) continue;
            d->setLevel(v->level() + 1);
            d->setParent(v);
            depthCount = std::max(depthCount, d->level() + 1);
            vertices.push_back(std::move(d));
            tree->edges().push_back(e);
        }
    }
    std::vector<std::vector<std::shared_ptr<Vertex>>> levels(static_cast<std::size_t>(depthCount));
    for (const auto& v : vertices) levels[static_cast<std::size_t>(v->level())].push_back(v);
    tree->setTreeLevels(std::move(levels));
    return tree;
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

void TreeLayout::centreOnChildren(Vertex& v, const std::vector<Vertex*>& children) const {
    if (children.empty()) return;
    std::optional<Rect> span;
    for (const Vertex* k : children)
        span = Rect::union_(span, Rect(k->x() - k->width() / 2, k->y() - k->height() / 2,
                                       k->width(), k->height()));
    const double start = crossIsX() ? span->x : span->y;
    const double size = crossIsX() ? span->width : span->height;
    setCross(v, cross(v) + (start + size / 2) - crossSize(v) / 2);
}

void TreeLayout::separateBySubtreeWalks(Graph& tree) {
    const double nd = nodeDistance();
    const auto& levels = tree.treeLevels();
    const SubtreeAction move = [](Vertex& v, Point offset) {
        v.setX(v.x() + offset.x);
        v.setY(v.y() + offset.y);
    };
    std::vector<Vertex*> children;
    for (std::size_t l = levels.size(); l-- > 0;) {
        const auto& level = levels[l];
        for (const auto& v : level) {
            children.clear();
            for (const auto& k : treeChildren(tree, *v)) children.push_back(k.get());
            centreOnChildren(*v, children);
        }
        for (std::size_t i = 0; i + 1 < level.size(); ++i) {
            Vertex& r = *level[i + 1];
            for (std::size_t j = i + 1; j-- > 0;) {
                const double g = subtreeGap(tree, *level[j], r);
                double shift = 0;
                if (j == i || g < nd) shift = nd - g;
                if (shift != 0)
                    visitSubtree(tree, r, move, crossIsX() ? Point(shift, 0) : Point(0, shift));
            }
        }
    }
}

void TreeLayout::separateByContours(Graph& tree) {
    // Vertices by breadth-first position: each level is a run of positions, and so are the
    // children of each vertex.
    const auto& order = tree.vertices();
    const std::size_t n = order.size();
    std::unordered_map<const Vertex*, std::size_t> idOf;
    idOf.reserve(n);
    for (std::size_t i = 0; i < n; ++i) idOf.emplace(order[i].get(), i);
    std::vector<std::size_t> firstChild(n, 0), childCount(n, 0), parent(n, 0);
    for (std::size_t i = 1; i < n; ++i) {
        const std::size_t p = idOf.at(tree.edges()[i - 1]->origin().get());
        parent[i] = p;
        if (childCount[p]++ == 0) firstChild[p] = i;
    }

    // The contour of a subtree: per level from its deepest one (index 0) up to its root, the
    // smallest near edge and the largest far edge, relative to a frame that moves with the
    // subtree.
    struct Contour {
        std::vector<double> near, far;
        int bottom = 0;
        double frame = 0;
    };
    std::vector<Contour> contours(n);
    // Shifts of whole subtrees, handed down to the descendants at the end.
    std::vector<double> mod(n, 0.0);
    const double nd = nodeDistance();
    const auto& levels = tree.treeLevels();
    std::vector<Vertex*> children;
    struct Reach {
        std::size_t id;
        int bottom;
    };
    std::vector<Reach> forest;

    std::size_t levelEnd = n;
    for (std::size_t l = levels.size(); l-- > 0;) {
        const int level = static_cast<int>(l);
        const std::size_t levelBegin = levelEnd - levels[l].size();
        for (std::size_t v = levelBegin; v < levelEnd; ++v) {
            Vertex& vertex = *order[v];
            Contour& c = contours[v];
            if (childCount[v] != 0) {
                const std::size_t first = firstChild[v], last = first + childCount[v];
                children.clear();
                for (std::size_t k = first; k < last; ++k) children.push_back(order[k].get());
                centreOnChildren(vertex, children);
                // The deepest child's contour becomes this one; the others merge into it.
                std::size_t deepest = first;
                for (std::size_t k = first + 1; k < last; ++k)
                    if (contours[k].bottom > contours[deepest].bottom) deepest = k;
                c = std::move(contours[deepest]);
                for (std::size_t k = first; k < last; ++k) {
                    if (k == deepest) continue;
                    const Contour& kc = contours[k];
                    for (int at = level + 1; at <= kc.bottom; ++at) {
                        const auto ic = static_cast<std::size_t>(c.bottom - at);
                        const auto ik = static_cast<std::size_t>(kc.bottom - at);
                        c.near[ic] = std::min(c.near[ic], kc.near[ik] + kc.frame - c.frame);
                        c.far[ic] = std::max(c.far[ic], kc.far[ik] + kc.frame - c.frame);
                    }
                    contours[k] = Contour();
                }
            } else {
                c.bottom = level;
            }
            c.near.push_back(vertexNearEdge(vertex) - c.frame);
            c.far.push_back(vertexFarEdge(vertex) - c.frame);
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
            for (int at = level; at <= rc.bottom; ++at) {
                while (k > 0 && forest[k - 1].bottom < at) --k;
                if (k == 0) break;
                const Contour& fc = contours[forest[k - 1].id];
                const double near = rc.near[static_cast<std::size_t>(rc.bottom - at)] + rc.frame;
                const double far = fc.far[static_cast<std::size_t>(fc.bottom - at)] + fc.frame;
                gap = std::min(gap, near - std::max(0.0, far));
            }
            const double shift = nd - gap;
            if (shift != 0) {
                Vertex& vertex = *order[r];
                setCross(vertex, cross(vertex) + shift);
                mod[r] += shift;
                rc.frame += shift;
            }
            while (!forest.empty() && forest.back().bottom <= rc.bottom) forest.pop_back();
            forest.push_back({r, rc.bottom});
        }
        levelEnd = levelBegin;
    }

    // Hand each subtree's shifts down to its descendants, parents before children.
    std::vector<double> pending(n, 0.0);
    for (std::size_t i = 1; i < n; ++i) {
        const std::size_t p = parent[i];
        pending[i] = pending[p] + mod[p];
        if (pending[i] != 0) setCross(*order[i], cross(*order[i]) + pending[i]);
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

    const std::shared_ptr<Graph> tree = buildRootedTree(root);
    const double rx = root->x() + root->width() / 2;
    const double ry = root->y() + root->height() / 2;
    for (const auto& v : tree->vertices()) {
        v->setX(v->width() / 2);
        v->setY(v->height() / 2);
    }

    const auto& levels = tree->treeLevels();
    std::vector<double> levelSize(levels.size(), 0.0);
    for (std::size_t l = 0; l < levels.size(); ++l) {
        double largest = -std::numeric_limits<double>::infinity();
        for (const auto& v : levels[l]) largest = std::max(largest, extent(*v));
        levelSize[l] = largest;
    }

    const double nd = nodeDistance();
    double acc = 0;
    for (const auto& v : levels.back()) {
        setCross(*v, cross(*v) + acc);
        acc = acc + crossSize(*v) + nd;
    }

    bool ordered = std::isfinite(nd) && nd >= 0;
    for (const auto& v : tree->vertices()) {
        const double s = crossSize(*v);
        if (!std::isfinite(s) || s < 0) ordered = false;
    }
    if (ordered)
        separateByContours(*tree);
    else
        separateBySubtreeWalks(*tree);

    const LayoutDirection dir = direction();
    const bool reversed = dir == LayoutDirection::bottomToTop || dir == LayoutDirection::rightToLeft;
    const double m = margins();
    acc = 0;
    for (std::size_t step = 0; step < levels.size(); ++step) {
        const std::size_t l = reversed ? levels.size() - 1 - step : step;
        for (const auto& v : levels[l]) {
            const double e = extent(*v);
            const double offset =
                reversed ? levelSize[static_cast<std::size_t>(v->level())] - e : 0.0;
            const double at = acc + offset + m + e / 2;
            if (crossIsX())
                v->setY(at);
            else
                v->setX(at);
            setCross(*v, cross(*v) + m);
        }
        if (step + 1 < levels.size()) acc = acc + levelSize[l] + levelDistance();
    }

    if (keepRootPosition()) {
        const double dx = rx - root->x(), dy = ry - root->y();
        if (dx != 0 || dy != 0) {
            for (const auto& v : tree->vertices()) {
                v->setX(v->x() + dx);
                v->setY(v->y() + dy);
            }
        }
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
