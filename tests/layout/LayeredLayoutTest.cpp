#include <gtest/gtest.h>

#include <cmath>

#include "LayeredTestSupport.h"
#include "LayoutTestSupport.h"
#include "LiteralLayeredLayout.h"
#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom::test {
namespace {

Point topLeft(const DiagramNode& node) {
    return {node.bounds().x, node.bounds().y};
}

TEST(LayeredLayout, ArrangesAChainOfNodesInTheDocument) {
    for (const auto direction : {LayoutDirection::topToBottom, LayoutDirection::leftToRight}) {
        auto diagram = makeDiagram();
        auto a = addNode(*diagram, 300, 40);
        auto b = addNode(*diagram, 10, 200);
        auto c = addNode(*diagram, 120, 90);
        addLink(*diagram, a, b);
        addLink(*diagram, b, c);
        auto layout = std::make_shared<LayeredLayout>();
        layout->setDirection(direction);
        diagram->arrange(layout);
        if (direction == LayoutDirection::topToBottom) {
            EXPECT_EQ(topLeft(*a), Point(10, 10));
            EXPECT_EQ(topLeft(*b), Point(10, 55));
            EXPECT_EQ(topLeft(*c), Point(10, 100));
        } else {
            EXPECT_EQ(topLeft(*a), Point(10, 10));
            EXPECT_EQ(topLeft(*b), Point(75, 10));
            EXPECT_EQ(topLeft(*c), Point(140, 10));
        }
    }
}

// In A -> B -> C -> A cycle removal turns B -> C round; the link still runs from B to C, through
// the virtual vertex of the turned edge, which spans two layers.
TEST(LayeredLayout, TurnedEdgesKeepTheirLinksDirection) {
    auto diagram = makeDiagram();
    auto a = addNode(*diagram, 0, 0);
    auto b = addNode(*diagram, 100, 0);
    auto c = addNode(*diagram, 200, 0);
    addLink(*diagram, a, b);
    auto bc = addLink(*diagram, b, c);
    addLink(*diagram, c, a);
    diagram->arrange(std::make_shared<LayeredLayout>());
    const auto& points = bc->controlPoints();
    ASSERT_EQ(points.size(), 3u);
    auto near = [](const Point& p, const DiagramNode& n) {
        Rect r = n.bounds();
        return p.x >= r.x - 0.5 && p.x <= r.x + r.width + 0.5 && p.y >= r.y - 0.5 &&
               p.y <= r.y + r.height + 0.5;
    };
    EXPECT_TRUE(near(points.front(), *b));
    EXPECT_TRUE(near(points.back(), *c));
    // C is above A, A above B: the link climbs two layers.
    EXPECT_LT(c->bounds().y, a->bounds().y);
    EXPECT_LT(a->bounds().y, b->bounds().y);
}

TEST(LayeredLayout, LongEdgesGetTheirRouteOnceAndKeepIt) {
    auto graph = std::make_shared<Graph>();
    auto a = addVertex(*graph, 0, 0, 40, 20);
    auto b = addVertex(*graph, 0, 0, 40, 20);
    auto c = addVertex(*graph, 0, 0, 40, 20);
    auto ab = addEdge(*graph, a, b);
    addEdge(*graph, b, c);
    auto ac = addEdge(*graph, a, c);
    LayeredProbe layout;
    ASSERT_TRUE(layout.arrangeGraph(graph));
    EXPECT_FALSE(ab->points().has_value());
    ASSERT_TRUE(ac->points().has_value());
    ASSERT_EQ(ac->points()->size(), 3u);
    EXPECT_EQ(ac->points()->front(), Point(a->x(), a->y()));
    EXPECT_EQ(ac->points()->back(), Point(c->x(), c->y()));
    const auto& virt = graph->vertices().back();
    EXPECT_EQ((*ac->points())[1], Point(virt->x(), virt->y()));
    EXPECT_EQ(ac->origin(), a);

    const auto before = *ac->points();
    const std::size_t aOut = a->outEdges().size();
    layout.restoreLongEdges();
    EXPECT_EQ(*ac->points(), before);
    EXPECT_EQ(ac->origin(), a);
    EXPECT_EQ(a->outEdges().size(), aOut);
}

TEST(LayeredLayout, UnsoundGraphsAreLeftAsTheyWere) {
    LayeredLayout layout;
    EXPECT_FALSE(layout.arrangeGraph(nullptr));
    EXPECT_TRUE(layout.arrangeGraph(std::make_shared<Graph>()));

    // An edge to a vertex outside the graph, a null vertex: nothing changes.
    auto graph = std::make_shared<Graph>();
    auto a = addVertex(*graph, 5, 6, 40, 20);
    auto b = addVertex(*graph, 7, 8, 40, 20);
    auto stranger = std::make_shared<Vertex>();
    a->setIndex(41);
    addEdge(*graph, a, b);
    addEdge(*graph, b, stranger);
    EXPECT_FALSE(layout.arrangeGraph(graph));
    EXPECT_EQ(a->x(), 5);
    EXPECT_EQ(a->index(), 41);
    EXPECT_EQ(a->data(), nullptr);
    graph->edges().pop_back();
    b->outEdges().clear();
    b->edges().resize(1);
    graph->vertices().push_back(nullptr);
    EXPECT_FALSE(layout.arrangeGraph(graph));
    EXPECT_EQ(b->y(), 8);
    graph->vertices().pop_back();
    EXPECT_TRUE(layout.arrangeGraph(graph));
}

TEST(LayeredLayout, OddInputStillGivesFinitePositions) {
    // A loop on a vertex takes no part; a size that is not a number counts as none.
    auto graph = std::make_shared<Graph>();
    auto a = addVertex(*graph, 0, 0, NAN, 20);
    auto b = addVertex(*graph, 0, 0, 40, INFINITY);
    auto c = addVertex(*graph, 0, 0, 40, 20);
    auto loop = addEdge(*graph, a, a);
    addEdge(*graph, a, b);
    addEdge(*graph, b, c);
    addEdge(*graph, a, c);
    LayeredLayout layout;
    layout.setNodeDistance(NAN);
    layout.setLayerDistance(INFINITY);
    layout.setDirection(static_cast<LayoutDirection>(9));
    EXPECT_EQ(layout.nodeDistance(), 20);
    EXPECT_EQ(layout.layerDistance(), 25);
    EXPECT_EQ(layout.direction(), LayoutDirection::topToBottom);
    ASSERT_TRUE(layout.arrangeGraph(graph));
    for (const auto& v : graph->vertices()) {
        EXPECT_TRUE(std::isfinite(v->x()));
        EXPECT_TRUE(std::isfinite(v->y()));
    }
    EXPECT_FALSE(loop->points().has_value());
    EXPECT_LT(a->y(), b->y());
    EXPECT_LT(b->y(), c->y());
}

}  // namespace
}  // namespace nodeloom::test
