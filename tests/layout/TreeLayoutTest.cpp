#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "Nodeloom/layout/TreeLayout.h"
#include "layout/LayoutTestSupport.h"

namespace nodeloom {
namespace {

using test::addEdge;
using test::addLink;
using test::addNode;
using test::addVertex;

constexpr LayoutDirection kDirections[] = {LayoutDirection::topToBottom,
                                           LayoutDirection::leftToRight,
                                           LayoutDirection::bottomToTop,
                                           LayoutDirection::rightToLeft};

bool crossIsX(LayoutDirection d) {
    return d == LayoutDirection::topToBottom || d == LayoutDirection::bottomToTop;
}

// The tree arrangement step by step as it is described, every separation walking both whole
// subtrees for every vertex to the left: the oracle of the contour form.
void literalTree(TreeLayout& layout, Graph& graph) {
    const bool byX = crossIsX(layout.direction());
    auto c = [&](const Vertex& v) { return byX ? v.x() : v.y(); };
    auto setC = [&](Vertex& v, double value) { byX ? v.setX(value) : v.setY(value); };
    auto s = [&](const Vertex& v) { return byX ? v.width() : v.height(); };
    auto e = [&](const Vertex& v) { return byX ? v.height() : v.width(); };
    std::shared_ptr<Vertex> root;
    for (const auto& v : graph.vertices())
        if (v->inEdges().empty()) {
            root = v;
            break;
        }
    ASSERT_TRUE(root);
    const auto tree = layout.buildRootedTree(root);
    for (const auto& v : tree->vertices()) {
        v->setX(v->width() / 2);
        v->setY(v->height() / 2);
    }
    const auto& levels = tree->treeLevels();
    std::vector<double> levelSize;
    for (const auto& level : levels) {
        double largest = 0;
        for (const auto& v : level) largest = std::max(largest, e(*v));
        levelSize.push_back(largest);
    }
    const double nd = layout.nodeDistance();
    double acc = 0;
    for (const auto& v : levels.back()) {
        setC(*v, c(*v) + acc);
        acc = acc + s(*v) + nd;
    }
    const TreeLayout::SubtreeAction move = [](Vertex& v, Point offset) {
        v.setX(v.x() + offset.x);
        v.setY(v.y() + offset.y);
    };
    for (std::size_t l = levels.size(); l-- > 0;) {
        const auto& level = levels[l];
        for (const auto& v : level) {
            const auto kids = layout.treeChildren(*tree, *v);
            if (kids.empty()) continue;
            std::optional<Rect> u;
            for (const auto& k : kids)
                u = Rect::union_(u, Rect(k->x() - k->width() / 2, k->y() - k->height() / 2,
                                         k->width(), k->height()));
            const double start = byX ? u->x : u->y, size = byX ? u->width : u->height;
            setC(*v, c(*v) + (start + size / 2) - s(*v) / 2);
        }
        for (std::size_t i = 0; i + 1 < level.size(); ++i) {
            const auto& r = level[i + 1];
            for (std::size_t j = i + 1; j-- > 0;) {
                const double g = layout.subtreeGap(*tree, *level[j], *r);
                const double shift = j == i || g < nd ? nd - g : 0;
                if (shift != 0)
                    layout.visitSubtree(*tree, *r, move, byX ? Point(shift, 0) : Point(0, shift));
            }
        }
    }
    const bool reversed = layout.direction() == LayoutDirection::bottomToTop ||
                          layout.direction() == LayoutDirection::rightToLeft;
    acc = 0;
    for (std::size_t step = 0; step < levels.size(); ++step) {
        const std::size_t l = reversed ? levels.size() - 1 - step : step;
        for (const auto& v : levels[l]) {
            const double offset = reversed ? levelSize[l] - e(*v) : 0;
            const double at = acc + offset + layout.margins() + e(*v) / 2;
            byX ? v->setY(at) : v->setX(at);
            setC(*v, c(*v) + layout.margins());
        }
        if (step + 1 < levels.size()) acc = acc + levelSize[l] + layout.levelDistance();
    }
}

std::shared_ptr<Graph> copyOf(const Graph& g) {
    auto copy = std::make_shared<Graph>();
    for (const auto& v : g.vertices()) addVertex(*copy, v->x(), v->y(), v->width(), v->height());
    for (const auto& e : g.edges()) {
        const auto at = [&](const std::shared_ptr<Vertex>& v) {
            return copy->vertices()[static_cast<std::size_t>(
                std::find(g.vertices().begin(), g.vertices().end(), v) - g.vertices().begin())];
        };
        addEdge(*copy, at(e->origin()), at(e->destination()));
    }
    return copy;
}

// A leaf, then a wide subtree that is pulled left past the origin so that its deep chain ends
// up at negative coordinates, then a subtree of wide vertices whose gap is decided at the chain's
// depth, where the left side counts from 0 at the least.
}  // namespace
std::shared_ptr<Graph> treePulledPastTheOrigin() {
    auto g = std::make_shared<Graph>();
    auto root = addVertex(*g, 0, 0, 10, 10);
    auto x = addVertex(*g, 0, 0, 10, 10), y = addVertex(*g, 0, 0, 10, 10);
    auto z = addVertex(*g, 0, 0, 10, 10);
    for (const auto& v : {x, y, z}) addEdge(*g, root, v);
    auto chain = addVertex(*g, 0, 0, 10, 10);
    addEdge(*g, y, chain);
    for (int i = 0; i < 2; ++i) addEdge(*g, y, addVertex(*g, 0, 0, 40, 10));
    auto wide = addVertex(*g, 0, 0, 10, 10);
    addEdge(*g, z, wide);
    for (int i = 0; i < 2; ++i) {
        auto next = addVertex(*g, 0, 0, 300, 10);
        addEdge(*g, wide, next);
        wide = next;
        auto below = addVertex(*g, 0, 0, 10, 10);
        addEdge(*g, chain, below);
        chain = below;
    }
    return g;
}

namespace {
TEST(TreeLayout, ContoursSeparateSubtreesAsTheWholeSubtreeWalksDo) {
    std::mt19937 random(42);
    for (int round = -1; round < 48; ++round) {
        const bool fractional = round % 2 == 1;
        const int n = 2 + static_cast<int>(random() % 120);
        const auto graph = round < 0 ? treePulledPastTheOrigin()
                                     : test::randomTree(random, n, fractional);
        const auto oracle = copyOf(*graph);
        TreeLayout layout;
        layout.setDirection(kDirections[(round + 1) % 4]);
        // A negative distance lets subtrees overlap, which the contours cannot order: the
        // layout then walks the whole subtrees itself.
        layout.setNodeDistance(round % 3 == 0 ? 0 : round % 5 == 4 ? -3 : 4.0 + (round + 7) % 7);
        ASSERT_TRUE(layout.arrangeGraph(graph));
        literalTree(layout, *oracle);
        for (std::size_t i = 0; i < graph->vertices().size(); ++i) {
            const auto& a = graph->vertices()[i];
            const auto& b = oracle->vertices()[i];
            if (fractional) {
                ASSERT_NEAR(a->x(), b->x(), 1e-9) << round << " " << i;
                ASSERT_NEAR(a->y(), b->y(), 1e-9) << round << " " << i;
            } else {
                ASSERT_EQ(a->x(), b->x()) << round << " " << i;
                ASSERT_EQ(a->y(), b->y()) << round << " " << i;
            }
        }
    }
}

TEST(TreeLayout, NoTwoVerticesOverlapInAnyDirection) {
    std::mt19937 random(7);
    for (const int n : {2, 17, 300, 2000}) {
        for (const LayoutDirection direction : kDirections) {
            const auto graph = test::randomTree(random, n, true, 80);
            TreeLayout layout;
            layout.setDirection(direction);
            ASSERT_TRUE(layout.arrangeGraph(graph));
            // Sorted by left edge, each rectangle is checked against those that start before
            // it ends.
            std::vector<Rect> boxes;
            for (const auto& v : graph->vertices())
                boxes.emplace_back(v->x() - v->width() / 2, v->y() - v->height() / 2, v->width(),
                                   v->height());
            std::sort(boxes.begin(), boxes.end(),
                      [](const Rect& a, const Rect& b) { return a.x < b.x; });
            for (std::size_t i = 0; i < boxes.size(); ++i) {
                for (std::size_t j = i + 1;
                     j < boxes.size() && boxes[j].x < boxes[i].x + boxes[i].width; ++j) {
                    const bool apart = boxes[j].y >= boxes[i].y + boxes[i].height ||
                                       boxes[i].y >= boxes[j].y + boxes[j].height;
                    ASSERT_TRUE(apart) << n << " " << static_cast<int>(direction);
                }
            }
        }
    }
}

// R with children A and B, all 40 x 20.
struct SmallTree {
    std::shared_ptr<Graph> graph = std::make_shared<Graph>();
    std::shared_ptr<Vertex> r = addVertex(*graph, 0, 0, 40, 20);
    std::shared_ptr<Vertex> a = addVertex(*graph, 0, 0, 40, 20);
    std::shared_ptr<Vertex> b = addVertex(*graph, 0, 0, 40, 20);
    std::shared_ptr<Edge> ra = addEdge(*graph, r, a);
    std::shared_ptr<Edge> rb = addEdge(*graph, r, b);
};

TEST(TreeLayout, PlacesTheWorkedExamplesInEachDirectionWithTheirLinkPoints) {
    SmallTree t;
    TreeLayout layout;
    layout.setLinkType(TreeLayoutLinkType::straight);
    ASSERT_TRUE(layout.arrangeGraph(t.graph));
    EXPECT_EQ(Point(t.r->x(), t.r->y()), Point(55, 20));
    EXPECT_EQ(Point(t.a->x(), t.a->y()), Point(30, 50));
    EXPECT_EQ(Point(t.b->x(), t.b->y()), Point(80, 50));
    EXPECT_EQ(*t.ra->points(), (std::vector<Point>{Point(55, 30), Point(30, 40)}));

    layout.setLinkType(TreeLayoutLinkType::cascading);
    ASSERT_TRUE(layout.arrangeGraph(t.graph));
    EXPECT_EQ(*t.ra->points(),
              (std::vector<Point>{Point(55, 30), Point(55, 35), Point(30, 35), Point(30, 40)}));

    layout.setDirection(LayoutDirection::bottomToTop);
    ASSERT_TRUE(layout.arrangeGraph(t.graph));
    EXPECT_EQ(Point(t.r->x(), t.r->y()), Point(55, 50));
    EXPECT_EQ(Point(t.a->x(), t.a->y()), Point(30, 20));
    EXPECT_EQ(Point(t.b->x(), t.b->y()), Point(80, 20));

    // Three levels of a binary tree.
    auto g = std::make_shared<Graph>();
    std::vector<std::shared_ptr<Vertex>> v;
    for (int i = 0; i < 7; ++i) v.push_back(addVertex(*g, 0, 0, 40, 20));
    for (int i = 1; i < 7; ++i) addEdge(*g, v[static_cast<std::size_t>((i - 1) / 2)], v[i]);
    ASSERT_TRUE(TreeLayout().arrangeGraph(g));
    const Point expected[] = {Point(105, 20), Point(55, 50),  Point(155, 50), Point(30, 80),
                              Point(80, 80),  Point(130, 80), Point(180, 80)};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Point(v[i]->x(), v[i]->y()), expected[i]) << i;
}

TEST(TreeLayout, RootsCyclesAndUnreachedVertices) {
    // Every vertex has an incoming edge: the component is left alone.
    auto cycle = std::make_shared<Graph>();
    auto x = addVertex(*cycle, 3, 4, 10, 10);
    auto y = addVertex(*cycle, 30, 40, 10, 10);
    addEdge(*cycle, x, y);
    addEdge(*cycle, y, x);
    EXPECT_FALSE(TreeLayout().arrangeGraph(cycle));
    EXPECT_EQ(Point(x->x(), x->y()), Point(3, 4));
    EXPECT_FALSE(TreeLayout().arrangeGraph(std::make_shared<Graph>()));

    // A self-loop does not keep the root from being the root; a second source is not reached.
    SmallTree t;
    addEdge(*t.graph, t.r, t.r);
    auto other = addVertex(*t.graph, 7, 8, 10, 10);
    addEdge(*t.graph, other, t.b);
    ASSERT_TRUE(TreeLayout().arrangeGraph(t.graph));
    EXPECT_EQ(Point(t.r->x(), t.r->y()), Point(55, 20));
    EXPECT_EQ(Point(other->x(), other->y()), Point(7, 8));
}

TEST(TreeLayout, ArrangesADocumentAndCanKeepTheRootWhereItWas) {
    auto d = test::makeDiagram();
    auto r = addNode(*d, 100, 100);
    auto a = addNode(*d, 0, 200);
    auto b = addNode(*d, 300, 0);
    auto ra = addLink(*d, r, a);
    addLink(*d, r, b);
    auto layout = std::make_shared<TreeLayout>();
    layout->setLinkType(TreeLayoutLinkType::straight);
    layout->setKeepRootPosition(true);
    d->arrange(layout);
    EXPECT_EQ(r->bounds().center(), Point(120, 110));
    EXPECT_EQ(a->bounds().center(), Point(95, 140));
    EXPECT_EQ(b->bounds().center(), Point(145, 140));
    EXPECT_EQ(ra->controlPoints(), (std::vector<Point>{Point(120, 120), Point(95, 130)}));

    layout->setKeepRootPosition(false);
    layout->setLinkType(TreeLayoutLinkType::cascading);
    d->arrange(layout);
    EXPECT_EQ(r->bounds().center(), Point(55, 20));
    EXPECT_EQ(ra->shape(), LinkShape::cascading);
    EXPECT_EQ(ra->controlPoints(),
              (std::vector<Point>{Point(55, 30), Point(55, 35), Point(30, 35), Point(30, 40)}));
}

TEST(TreeLayout, AChainOfAHundredThousandVerticesIsWalkedWithoutRecursion) {
    auto g = std::make_shared<Graph>();
    std::shared_ptr<Vertex> previous;
    for (int i = 0; i < 100000; ++i) {
        auto v = addVertex(*g, 0, 0, 10, 10);
        if (previous) addEdge(*g, previous, v);
        previous = v;
    }
    TreeLayout layout;
    ASSERT_TRUE(layout.arrangeGraph(g));
    EXPECT_EQ(g->vertices().back()->y(), 10 + 99999 * 20.0 + 5);
    TreeLayout::LevelMap map;
    layout.measureSubtree(*layout.buildRootedTree(g->vertices().front()), *g->vertices().front(),
                          map);
    EXPECT_EQ(map.size(), 100000u);
}

}  // namespace
}  // namespace nodeloom
