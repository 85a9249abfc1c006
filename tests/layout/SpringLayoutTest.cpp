#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "Nodeloom/layout/LayoutUtils.h"
#include "Nodeloom/layout/SpringLayout.h"
#include "layout/LayoutTestSupport.h"

namespace nodeloom {
namespace {

using test::addEdge;
using test::addVertex;

// A seeded source that counts how often it is asked.
struct CountingSource {
    explicit CountingSource(unsigned seed) : generator(seed) {}
    std::uint32_t operator()() {
        ++calls;
        return static_cast<std::uint32_t>(generator());
    }
    std::mt19937 generator;
    int calls = 0;
};

// A random graph at distinct positions, built the same for the same seed.
std::shared_ptr<Graph> randomGraph(unsigned seed, int n, int edges) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> pos(0, 300), size(0.5, 45);
    auto g = std::make_shared<Graph>();
    for (int i = 0; i < n; ++i) addVertex(*g, pos(random), pos(random), size(random), size(random));
    std::uniform_int_distribution<int> pick(0, n - 1);
    for (int i = 0; i < edges && n > 1; ++i) {
        const int a = pick(random), b = pick(random);
        if (a != b) addEdge(*g, g->vertices()[a], g->vertices()[b]);
    }
    return g;
}

TEST(SpringLayout, EachPairOnceGivesTheLiteralResultBitForBit) {
    int compared = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const int n = 1 + static_cast<int>(seed % 23);
        const int iterations = seed % 5 == 0 ? 1 : static_cast<int>(3 + seed * 2);
        auto fast = randomGraph(seed, n, n + 3);
        auto literal = randomGraph(seed, n, n + 3);

        SpringLayout layout;
        layout.setIterations(iterations);
        layout.setNodeDistance(20 + seed);
        CountingSource fastRandom(seed), literalRandom(seed);
        layout.setRandomSource(std::ref(fastRandom));
        ASSERT_TRUE(layout.arrangeGraph(fast));
        test::literalSpring(*literal, layout.nodeDistance(), iterations, std::ref(literalRandom));

        // Vertices that happen to meet are separated at random, in another order by each loop.
        if (fastRandom.calls != 0 || literalRandom.calls != 0) continue;
        ++compared;
        for (std::size_t i = 0; i < fast->vertices().size(); ++i) {
            ASSERT_EQ(fast->vertices()[i]->x(), literal->vertices()[i]->x()) << seed << " " << i;
            ASSERT_EQ(fast->vertices()[i]->y(), literal->vertices()[i]->y()) << seed << " " << i;
            const auto* a = static_cast<NodeDataSL*>(fast->vertices()[i]->data().get());
            const auto* b = static_cast<NodeDataSL*>(literal->vertices()[i]->data().get());
            ASSERT_EQ(a->dx, b->dx);
            ASSERT_EQ(a->dy, b->dy);
        }
    }
    EXPECT_GT(compared, 30);
}

TEST(SpringLayout, CoincidentVerticesAreSeparatedAndPushedApart) {
    auto graph = std::make_shared<Graph>();
    auto a = addVertex(*graph, 50, 50, 10, 10);
    auto b = addVertex(*graph, 50, 50, 10, 10);
    SpringLayout layout;
    layout.setIterations(40);
    CountingSource random(7);
    layout.setRandomSource(std::ref(random));
    ASSERT_TRUE(layout.arrangeGraph(graph));
    EXPECT_GT(random.calls, 0);
    EXPECT_GT(std::hypot(a->x() - b->x(), a->y() - b->y()), layout.nodeDistance() / 2);

    // The same seed gives the same drawing.
    auto again = std::make_shared<Graph>();
    auto c = addVertex(*again, 50, 50, 10, 10);
    auto d = addVertex(*again, 50, 50, 10, 10);
    layout.setRandomSource(CountingSource(7));
    ASSERT_TRUE(layout.arrangeGraph(again));
    EXPECT_EQ(a->x(), c->x());
    EXPECT_EQ(b->y(), d->y());
}

TEST(SpringLayout, VerticesTooFarOutToSeparateDoNotStopTheLayout) {
    // At such coordinates no offset of the rest length changes a position.
    auto g = std::make_shared<Graph>();
    addVertex(*g, 1e300, 1e300, 10, 10);
    addVertex(*g, 1e300, 1e300, 10, 10);
    addVertex(*g, 5, 5, 10, 10);
    SpringLayout layout;
    layout.setIterations(20);
    EXPECT_TRUE(layout.arrangeGraph(g));
    for (const auto& v : g->vertices()) {
        EXPECT_TRUE(std::isfinite(v->x()));
        EXPECT_TRUE(std::isfinite(v->y()));
    }
}

TEST(SpringLayout, NothingToDoLeavesTheVerticesWhereTheyAre) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        int iterations;
        double distance;
    };
    for (const Case c : {Case{0, 30}, Case{-5, 30}, Case{300, 0}, Case{300, -4}, Case{300, nan},
                         Case{300, inf}}) {
        auto g = randomGraph(3, 6, 5);
        std::vector<Point> before;
        for (const auto& v : g->vertices()) before.emplace_back(v->x(), v->y());
        SpringLayout layout;
        layout.setIterations(c.iterations);
        layout.setNodeDistance(c.distance);
        EXPECT_TRUE(layout.arrangeGraph(g));
        for (std::size_t i = 0; i < before.size(); ++i) {
            EXPECT_EQ(g->vertices()[i]->x(), before[i].x);
            EXPECT_EQ(g->vertices()[i]->y(), before[i].y);
            EXPECT_NE(g->vertices()[i]->data(), nullptr);
        }
    }
}

TEST(SpringLayout, SelfEdgesPullNothingAndVerticesOfNoSizeStillSpread) {
    // An edge from a vertex to itself: the same result as without it.
    auto with = randomGraph(11, 8, 6);
    auto without = randomGraph(11, 8, 6);
    addEdge(*with, with->vertices()[2], with->vertices()[2]);
    SpringLayout layout;
    layout.setIterations(60);
    layout.setRandomSource(CountingSource(1));
    ASSERT_TRUE(layout.arrangeGraph(with));
    layout.setRandomSource(CountingSource(1));
    ASSERT_TRUE(layout.arrangeGraph(without));
    for (std::size_t i = 0; i < with->vertices().size(); ++i) {
        EXPECT_EQ(with->vertices()[i]->x(), without->vertices()[i]->x());
        EXPECT_EQ(with->vertices()[i]->y(), without->vertices()[i]->y());
    }

    // Points without size would otherwise all be clamped into the corner of an empty area.
    auto points = std::make_shared<Graph>();
    for (int i = 0; i < 9; ++i) addVertex(*points, i * 7.0, i * 3.0, 0, 0);
    layout.setIterations(100);
    ASSERT_TRUE(layout.arrangeGraph(points));
    const double area = layout.nodeDistance() * 3 * 4;
    for (std::size_t i = 0; i < points->vertices().size(); ++i) {
        const auto& v = points->vertices()[i];
        EXPECT_GE(v->x(), 0);
        EXPECT_LE(v->x(), area);
        for (std::size_t j = 0; j < i; ++j) {
            const auto& u = points->vertices()[j];
            EXPECT_GT(std::hypot(u->x() - v->x(), u->y() - v->y()), 1.0);
        }
    }
}

}  // namespace
}  // namespace nodeloom
