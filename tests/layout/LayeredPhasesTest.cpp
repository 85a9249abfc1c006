#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "LayeredTestSupport.h"
#include "LayoutTestSupport.h"
#include "LiteralLayeredLayout.h"

namespace nodeloom::test {
namespace {

// Vertices named by letter, joined by "ab bc ..." edges.
struct Lettered {
    std::shared_ptr<Graph> graph = std::make_shared<Graph>();
    std::map<char, std::shared_ptr<Vertex>> v;

    explicit Lettered(const std::string& names, const std::vector<std::string>& edges = {}) {
        for (char c : names)
            v[c] = addVertex(*graph, 0, 0, 40, 20);
        for (const std::string& e : edges)
            addEdge(*graph, v[e[0]], v[e[1]]);
    }
};

int layerOf(const Vertex& v) {
    return LayeredProbe::nodeData(v).layer();
}

TEST(LayeredLayering, LongestPathFromTheSourcesThenPulledToTheSuccessors) {
    {
        Lettered g("abcd", {"ac", "bc", "cd"});
        LayeredProbe layout;
        ASSERT_TRUE(layout.layer(g.graph, false));
        EXPECT_EQ(layerOf(*g.v['a']), 0);
        EXPECT_EQ(layerOf(*g.v['b']), 0);
        EXPECT_EQ(layerOf(*g.v['c']), 1);
        EXPECT_EQ(layerOf(*g.v['d']), 2);
    }
    {
        // s leads only to w in layer 3 and moves down to 2; t leads to x in layer 1 and stays.
        Lettered g("xyzwst", {"xy", "yz", "zw", "sw", "tx"});
        LayeredProbe layout;
        ASSERT_TRUE(layout.layer(g.graph, false));
        EXPECT_EQ(layerOf(*g.v['w']), 4);
        EXPECT_EQ(layerOf(*g.v['s']), 3);
        EXPECT_EQ(layerOf(*g.v['t']), 0);
    }
    {
        Lettered g("ab");
        LayeredProbe layout;
        ASSERT_TRUE(layout.layer(g.graph, false));
        ASSERT_EQ(layout.layers().size(), 1u);
        EXPECT_EQ(layout.layers()[0].size(), 2u);
    }
}

TEST(LayeredLayering, LongEdgesRunThroughOneVirtualVertexPerLayerBetween) {
    // Layers [x a], [b y], [c]: a and c are the last of their layers, so the virtual vertex of
    // a-c is appended to the middle layer rather than put where the ends' positions point.
    Lettered g("xabcy", {"ab", "bc", "ac", "xy"});
    const auto long_ = g.graph->edges()[2];
    LayeredProbe layout;
    ASSERT_TRUE(layout.layer(g.graph));
    ASSERT_EQ(g.graph->vertices().size(), 6u);
    const auto& virt = g.graph->vertices().back();
    EXPECT_TRUE(virt->virtual_());
    EXPECT_EQ(layerOf(*virt), 1);
    EXPECT_EQ(layout.layers()[1].back(), virt);
    EXPECT_EQ(long_->origin(), virt);
    EXPECT_EQ(LayeredProbe::linkData(*long_).virtualLevel(), 1);
    EXPECT_EQ(layout.linkToNodeMap().at(long_), LayeredLayout::Layer{virt});
    EXPECT_EQ(layout.nodeToLinkMap().at(virt), long_);
}

TEST(LayeredCrossings, CountsPairsOfEdgesThatCross) {
    Lettered g("abcd", {"ac", "bd"});
    LayeredProbe layout;
    ASSERT_TRUE(layout.layer(g.graph));
    auto set = [&](char c, double p) { LayeredProbe::nodeData(*g.v[c]).setGridPosition(p); };
    set('a', 0);
    set('b', 1);
    set('c', 1);
    set('d', 0);
    EXPECT_EQ(layout.countCrossings(0, 1), 1);
    EXPECT_EQ(layout.countCrossings(1, 0), 1);
    set('c', 0);
    set('d', 1);
    EXPECT_EQ(layout.countCrossings(0, 1), 0);
    // Edges that share an end, or whose ends share a position, never cross.
    set('d', 0);
    EXPECT_EQ(layout.countCrossings(0, 1), 0);
}

TEST(LayeredCrossings, NearlyEqualKeysPutTheVertexWithMoreEdgesFirst) {
    // p and r hang from u (position 0), q twice from v (position 0.00005): q goes first, and p
    // and r, equal in key and edges, keep their order.
    Lettered g("uvpqr", {"up", "vq", "vq", "ur"});
    LayeredProbe layout;
    ASSERT_TRUE(layout.layer(g.graph));
    LayeredProbe::nodeData(*g.v['v']).setGridPosition(0.00005);
    LayeredProbe::nodeData(*g.v['u']).setGridPosition(0);
    EXPECT_EQ(layout.orderLayer(true, 0), 2);
    EXPECT_EQ(layout.layers()[1], (LayeredLayout::Layer{g.v['q'], g.v['p'], g.v['r']}));
}

// Keys 0.00006 apart chain into an order that is not transitive (a vertex with more edges goes
// before its near neighbour, but vertices further apart compare by key): ordering such a layer
// must still end with a permutation of it.
TEST(LayeredCrossings, OrderingSurvivesAnIntransitiveComparison) {
    const int n = 200;
    GraphRecipe recipe;
    recipe.sizes.assign(2 * n, {10, 10});
    for (int i = 0; i < n; ++i)
        for (int k = 0; k <= i % 3; ++k)
            recipe.edges.emplace_back(i, n + i);
    LayeredProbe layout;
    const auto graph = recipe.build();
    ASSERT_TRUE(layout.layer(graph));
    for (int i = 0; i < n; ++i)
        LayeredProbe::nodeData(*graph->vertices()[static_cast<std::size_t>(i)]).setGridPosition(i * 0.00006);
    const LayeredLayout::Layer before = layout.layers()[1];
    layout.orderLayer(true, 0);
    const LayeredLayout::Layer& after = layout.layers()[1];
    EXPECT_EQ(std::set<std::shared_ptr<Vertex>>(after.begin(), after.end()),
              std::set<std::shared_ptr<Vertex>>(before.begin(), before.end()));
    EXPECT_EQ(after.size(), before.size());
}

TEST(LayeredCrossings, SiftingRoundsDecideWhichExchangesStay) {
    auto run = [](const std::string& names, const std::vector<std::string>& edges, int rounds) {
        Lettered g(names, edges);
        LayeredProbe layout;
        layout.setSiftingRounds(rounds);
        EXPECT_TRUE(layout.layer(g.graph));
        layout.siftLayers();
        std::string order;
        for (const auto& layer : layout.layers())
            for (const auto& v : layer)
                for (const auto& [c, w] : g.v)
                    if (w == v) order += c;
        return order;
    };
    // a-d and b-c cross once; one round, top down, mends it; a negative count runs none.
    const std::vector<std::string> crossed{"ad", "bc"};
    EXPECT_EQ(run("abcd", crossed, -1), "abcd");
    EXPECT_EQ(run("abcd", crossed, 0), "bacd");
    // a and b both join e and f: one crossing whichever way round. The first round keeps only
    // exchanges that lower the count; the second, bottom up, also those that keep it.
    const std::vector<std::string> complete{"ae", "af", "be", "bf"};
    EXPECT_EQ(run("abef", complete, 0), "abef");
    EXPECT_EQ(run("abef", complete, 1), "bafe");
}

TEST(LayeredPlacement, PushesRunThroughLowerPrioritiesOnly) {
    GraphRecipe recipe;
    recipe.sizes.assign(4, {10, 10});
    LayeredProbe layout;
    const auto graph = recipe.build();
    ASSERT_TRUE(layout.layer(graph));
    const auto& layer = layout.layers()[0];
    auto data = [&](int i) -> LayeredLayout::NodeData& { return LayeredProbe::nodeData(*layer[static_cast<std::size_t>(i)]); };
    // Positions 0, 1, 2, 4 with priorities 1, 1, 0.5, 0.5.
    for (int i = 0; i < 4; ++i) {
        data(i).setGridPosition(i == 3 ? 4 : i);
        data(i).setUPriority(i < 2 ? 1 : 0);
        data(i).setDPriority(1);
    }
    EXPECT_FALSE(layout.moveRight(*layer[0], layer, 1.0));  // b has the same priority
    EXPECT_EQ(data(0).gridPosition(), 0.0);
    EXPECT_TRUE(layout.moveRight(*layer[1], layer, 1.0));  // pushes c into the gap before d
    EXPECT_EQ(data(1).gridPosition(), 1.5);
    EXPECT_EQ(data(2).gridPosition(), 2.5);
    EXPECT_EQ(data(3).gridPosition(), 4.0);
    EXPECT_TRUE(layout.moveLeft(*layer[0], layer, 1.0));  // the first vertex may always step left
    EXPECT_EQ(data(0).gridPosition(), -0.5);
}

// A vertex of higher priority at the front of a layer of 100,000 that stand one step apart
// pushes all of them, and one at the back pushes them back: no call depth grows with the chain.
TEST(LayeredPlacement, PushChainOfAHundredThousandVertices) {
    const int n = 100000;
    GraphRecipe recipe;
    recipe.sizes.assign(n, {10, 10});
    LayeredProbe layout;
    const auto graph = recipe.build();
    ASSERT_TRUE(layout.layer(graph));
    const auto& layer = layout.layers()[0];
    LayeredProbe::nodeData(*layer.front()).setUPriority(2);
    ASSERT_TRUE(layout.moveRight(*layer.front(), layer, 1.0));
    EXPECT_EQ(LayeredProbe::nodeData(*layer.front()).gridPosition(), 0.5);
    EXPECT_EQ(LayeredProbe::nodeData(*layer.back()).gridPosition(), n - 0.5);
    LayeredProbe::nodeData(*layer.front()).setUPriority(0);
    LayeredProbe::nodeData(*layer.back()).setUPriority(2);
    ASSERT_TRUE(layout.moveLeft(*layer.back(), layer, 1.0));
    EXPECT_EQ(LayeredProbe::nodeData(*layer.front()).gridPosition(), 0.0);
    EXPECT_EQ(LayeredProbe::nodeData(*layer.back()).gridPosition(), n - 1.0);
}

TEST(LayeredCoordinates, LayersStackAlongTheDirection) {
    auto centres = [](LayoutDirection direction) {
        auto graph = std::make_shared<Graph>();
        const double heights[] = {40, 20, 60};
        for (double h : heights)
            addVertex(*graph, 0, 0, h + 5, h);
        addEdge(*graph, graph->vertices()[0], graph->vertices()[1]);
        addEdge(*graph, graph->vertices()[1], graph->vertices()[2]);
        LayeredLayout layout;
        layout.setDirection(direction);
        EXPECT_TRUE(layout.arrangeGraph(graph));
        std::vector<double> along, across;
        const bool vertical = direction == LayoutDirection::topToBottom ||
                              direction == LayoutDirection::bottomToTop;
        for (const auto& v : graph->vertices()) {
            along.push_back(vertical ? v->y() : v->x());
            across.push_back(vertical ? v->x() : v->y());
        }
        EXPECT_EQ(across, std::vector<double>(3, 0.0));
        return along;
    };
    EXPECT_EQ(centres(LayoutDirection::topToBottom), (std::vector<double>{30, 85, 150}));
    EXPECT_EQ(centres(LayoutDirection::bottomToTop), (std::vector<double>{160, 105, 40}));
    EXPECT_EQ(centres(LayoutDirection::leftToRight), (std::vector<double>{32.5, 92.5, 162.5}));
    EXPECT_EQ(centres(LayoutDirection::rightToLeft), (std::vector<double>{172.5, 112.5, 42.5}));
}

TEST(LayeredCoordinates, NeighboursKeepTheirDistanceAndChainsStayStraight) {
    for (unsigned seed = 0; seed < 8; ++seed) {
        const GraphRecipe recipe = randomRecipe(seed, 120, 1.5, seed % 2 == 1, seed % 3 == 0);
        const auto graph = recipe.build();
        LayeredProbe layout;
        layout.setDirection(static_cast<LayoutDirection>(seed % 4));
        ASSERT_TRUE(layout.arrangeGraph(graph));
        const bool vertical = seed % 2 == 0;
        auto across = [&](const Vertex& v) { return vertical ? v.x() : v.y(); };
        auto size = [&](const Vertex& v) { return vertical ? v.width() : v.height(); };
        // Nodes of one layer, virtual vertices between them or not, keep nodeDistance between
        // their facing sides.
        for (const auto& layer : layout.layers()) {
            const Vertex* previous = nullptr;
            for (const auto& v : layer) {
                if (v->virtual_()) continue;
                if (previous) {
                    EXPECT_GE(across(*v) - across(*previous) + 1e-9,
                              20 + (size(*v) + size(*previous)) / 2)
                        << "seed " << seed;
                }
                previous = v.get();
            }
        }
        for (const auto& [edge, chain] : layout.linkToNodeMap())
            for (const auto& v : chain)
                EXPECT_EQ(across(*v), across(*chain.front())) << "seed " << seed;
        // No two segments between virtual vertices cross.
        for (std::size_t l = 0; l + 1 < layout.layers().size(); ++l) {
            int last = -1;
            for (const auto& v : layout.layers()[l]) {
                if (!v->virtual_()) continue;
                const auto below = std::find_if(v->outEdges().begin(), v->outEdges().end(), [](const auto& e) {
                    return e->destination()->virtual_();
                });
                if (below == v->outEdges().end()) continue;
                const int place = LayeredProbe::nodeData(*(*below)->destination()).indexInLayer();
                EXPECT_GT(place, last) << "seed " << seed << " layer " << l;
                last = place;
            }
        }
    }
}

// Turning every layer round before the coordinate pass turns the left compaction into the right
// one: each is the other's mirror image, to the last bit with whole sizes.
TEST(LayeredCoordinates, CompactionsMirrorEachOther) {
    struct Recording : LayeredProbe {
        bool mirrored = false;
        PositionMap left, right;
        PositionMap compactLeft(const std::vector<Layer>& classes) override {
            return left = LayeredLayout::compactLeft(classes);
        }
        PositionMap compactRight(const std::vector<Layer>& classes) override {
            return right = LayeredLayout::compactRight(classes);
        }
        void placeByPriority() override {
            LayeredLayout::placeByPriority();
            if (!mirrored) return;
            for (auto& layer : layers_) {
                double last = 0;
                for (const auto& v : layer)
                    last = std::max(last, nodeData(*v).gridPosition());
                for (const auto& v : layer)
                    nodeData(*v).setGridPosition(last - nodeData(*v).gridPosition());
            }
        }
    };
    for (unsigned seed = 0; seed < 6; ++seed) {
        const GraphRecipe recipe = randomRecipe(seed, 80, 1.5, seed % 2 == 1, false);
        Recording plain, mirrored;
        mirrored.mirrored = true;
        const auto a = recipe.build(), b = recipe.build();
        ASSERT_TRUE(plain.arrangeGraph(a));
        ASSERT_TRUE(mirrored.arrangeGraph(b));
        for (std::size_t i = 0; i < a->vertices().size(); ++i) {
            EXPECT_EQ(plain.left[*a->vertices()[i]], -mirrored.right[*b->vertices()[i]]) << seed;
            EXPECT_EQ(plain.right[*a->vertices()[i]], -mirrored.left[*b->vertices()[i]]) << seed;
        }
    }
}

// One layer of 100,000 vertices in one class, placed from its right end: every block leans on
// its left neighbour, 100,000 deep, without the call stack growing.
TEST(LayeredCoordinates, ClassPlacementOfAHundredThousandVertices) {
    const int n = 100000;
    GraphRecipe recipe;
    recipe.sizes.assign(n, {10, 10});
    const auto graph = recipe.build();
    LayeredProbe layout;
    ASSERT_TRUE(layout.arrangeGraph(graph));
    const auto& layer = layout.layers()[0];
    LayeredLayout::PositionMap left(static_cast<std::size_t>(n)), right(static_cast<std::size_t>(n));
    layout.placeLeftClass(*layer.back(), left, 0);
    EXPECT_EQ(left[*layer.back()], 30.0 * (n - 1));
    layout.placeRightClass(*layer.front(), right, 0);
    EXPECT_EQ(right[*layer.front()], -30.0 * (n - 1));
}

}  // namespace
}  // namespace nodeloom::test
