#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Graph.h"

using namespace nodeloom;

namespace {

using VertexPtr = std::shared_ptr<Vertex>;
using EdgePtr = std::shared_ptr<Edge>;

struct Named : Object {
    explicit Named(std::string n) : name(std::move(n)) {}
    std::string name;
};

// A graph of n vertices with the given edges (pairs of vertex positions), added in order.
std::shared_ptr<Graph> makeGraph(int n, const std::vector<std::pair<int, int>>& links) {
    auto graph = std::make_shared<Graph>();
    for (int i = 0; i < n; ++i)
        graph->vertices().push_back(std::make_shared<Vertex>());
    for (const auto& [o, d] : links)
        graph->addEdge(std::make_shared<Edge>(graph->vertices()[o], graph->vertices()[d]));
    return graph;
}

int positionOf(const Graph& g, const VertexPtr& v) {
    const auto& vs = g.vertices();
    return static_cast<int>(std::find(vs.begin(), vs.end(), v) - vs.begin());
}

int positionOf(const Graph& g, const EdgePtr& e) {
    const auto& es = g.edges();
    return static_cast<int>(std::find(es.begin(), es.end(), e) - es.begin());
}

std::vector<int> positions(const Graph& g, const std::vector<EdgePtr>& edges) {
    std::vector<int> result;
    for (const EdgePtr& e : edges)
        result.push_back(positionOf(g, e));
    return result;
}

std::pair<int, int> ends(const Graph& g, const EdgePtr& e) {
    return {positionOf(g, e->origin()), positionOf(g, e->destination())};
}

// Every list of the graph written as positions, to compare two graphs of the same shape.
std::vector<std::vector<int>> shape(const Graph& g) {
    std::vector<std::vector<int>> result;
    for (const EdgePtr& e : g.edges()) {
        const auto [o, d] = ends(g, e);
        result.push_back({o, d});
    }
    for (const VertexPtr& v : g.vertices()) {
        result.push_back(positions(g, v->edges()));
        result.push_back(positions(g, v->outEdges()));
        result.push_back(positions(g, v->inEdges()));
    }
    return result;
}

// The cycle removal step by step as first described, on a real clone with linear bucket
// searches, self-loops skipped and keys kept in range: the reference for the fast version.
std::vector<EdgePtr> referenceMakeAcyclic(Graph& graph) {
    const int n = static_cast<int>(graph.vertices().size());
    if (n < 3 || graph.edges().size() < 2) return {};
    auto g = graph.cloneGraph(true);
    auto key = [n](const VertexPtr& v) {
        if (v->outEdges().empty()) return 2 - n;
        if (v->inEdges().empty()) return n - 2;
        return std::clamp(
            static_cast<int>(v->outEdges().size()) - static_cast<int>(v->inEdges().size()), 2 - n,
            n - 2);
    };
    std::map<int, std::vector<VertexPtr>> buckets;
    for (const VertexPtr& v : g->vertices())
        buckets[key(v)].push_back(v);
    auto takeLast = [&](int k) {
        VertexPtr u = buckets[k].back();
        buckets[k].pop_back();
        return u;
    };
    auto remove = [&](const VertexPtr& u) {
        const std::vector<EdgePtr> list = u->edges();
        for (const EdgePtr& e : list) {
            VertexPtr w = e->origin() == u ? e->destination() : e->origin();
            if (w == u) continue;
            auto& bucket = buckets[key(w)];
            bucket.erase(std::find(bucket.begin(), bucket.end(), w));
            w->detachEdge(e);
            buckets[key(w)].push_back(w);
        }
        auto& vs = g->vertices();
        vs.erase(std::find(vs.begin(), vs.end(), u));
    };
    std::vector<VertexPtr> s1;
    std::deque<VertexPtr> s2;
    while (!g->vertices().empty()) {
        while (!buckets[2 - n].empty()) {
            VertexPtr u = takeLast(2 - n);
            remove(u);
            s2.push_front(u);
        }
        while (!buckets[n - 2].empty()) {
            VertexPtr u = takeLast(n - 2);
            remove(u);
            s1.push_back(u);
        }
        if (g->vertices().empty()) break;
        for (int k = n - 3; k >= 3 - n; --k) {
            if (buckets[k].empty()) continue;
            VertexPtr u = takeLast(k);
            remove(u);
            s1.push_back(u);
            break;
        }
    }
    s1.insert(s1.end(), s2.begin(), s2.end());
    std::unordered_map<Vertex*, size_t> position;
    for (size_t i = 0; i < s1.size(); ++i)
        position[g->vertexCopyToOrigMap()[s1[i]].get()] = i;
    std::vector<EdgePtr> result;
    for (const EdgePtr& e : graph.edges()) {
        if (position[e->destination().get()] < position[e->origin().get()]) {
            e->reverseEdge();
            result.push_back(e);
        }
    }
    return result;
}

// Whether the graph's edges, self-loops aside, admit a topological order.
bool isAcyclic(const Graph& g) {
    std::unordered_map<Vertex*, int> incoming;
    for (const VertexPtr& v : g.vertices())
        incoming[v.get()] = 0;
    for (const EdgePtr& e : g.edges())
        if (e->origin() != e->destination()) ++incoming[e->destination().get()];
    std::vector<Vertex*> ready;
    for (auto& [v, count] : incoming)
        if (count == 0) ready.push_back(v);
    size_t seen = 0;
    while (!ready.empty()) {
        Vertex* v = ready.back();
        ready.pop_back();
        ++seen;
        for (const EdgePtr& e : v->outEdges())
            if (e->destination().get() != v && --incoming[e->destination().get()] == 0)
                ready.push_back(e->destination().get());
    }
    return seen == g.vertices().size();
}

std::vector<std::pair<int, int>> randomLinks(std::mt19937& rng, int n, int m, bool simple) {
    std::uniform_int_distribution<int> pick(0, n - 1);
    std::vector<std::pair<int, int>> links;
    std::set<std::pair<int, int>> seen;
    while (static_cast<int>(links.size()) < m) {
        const int o = pick(rng), d = pick(rng);
        if (simple && (o == d || !seen.insert({o, d}).second)) continue;
        links.emplace_back(o, d);
    }
    return links;
}

}  // namespace

TEST(Graph, AddEdgeFillsEveryList) {
    auto g = makeGraph(2, {{0, 1}, {0, 0}});
    const VertexPtr a = g->vertices()[0], b = g->vertices()[1];
    const EdgePtr ab = g->edges()[0], loop = g->edges()[1];
    EXPECT_EQ(a->outEdges(), (std::vector<EdgePtr>{ab, loop}));
    EXPECT_EQ(a->inEdges(), (std::vector<EdgePtr>{loop}));
    EXPECT_EQ(a->edges(), (std::vector<EdgePtr>{ab, loop, loop}));
    EXPECT_EQ(b->inEdges(), (std::vector<EdgePtr>{ab}));
    EXPECT_EQ(b->edges(), (std::vector<EdgePtr>{ab}));
    EXPECT_TRUE(b->outEdges().empty());

    // An edge without both ends is not taken.
    auto dangling = std::make_shared<Edge>(a, nullptr);
    g->addEdge(dangling);
    g->addEdge(nullptr);
    EXPECT_EQ(g->edges().size(), 2u);
    EXPECT_EQ(a->edges().size(), 3u);
}

TEST(Graph, DetachReverseAndSetOrigin) {
    auto g = makeGraph(3, {{0, 0}, {0, 1}});
    const VertexPtr a = g->vertices()[0], b = g->vertices()[1], c = g->vertices()[2];
    const EdgePtr loop = g->edges()[0], ab = g->edges()[1];

    ab->reverseEdge();
    EXPECT_EQ(ab->origin(), b);
    EXPECT_EQ(ab->destination(), a);
    EXPECT_EQ(a->outEdges(), (std::vector<EdgePtr>{loop}));
    EXPECT_EQ(a->inEdges(), (std::vector<EdgePtr>{loop, ab}));
    EXPECT_EQ(b->outEdges(), (std::vector<EdgePtr>{ab}));
    EXPECT_EQ(a->edges(), (std::vector<EdgePtr>{loop, loop, ab}));
    EXPECT_FALSE(ab->reversed());

    ab->setOrigin(c);
    EXPECT_EQ(ab->origin(), c);
    EXPECT_TRUE(b->edges().empty());
    EXPECT_TRUE(b->outEdges().empty());
    EXPECT_EQ(c->outEdges(), (std::vector<EdgePtr>{ab}));
    EXPECT_EQ(c->edges(), (std::vector<EdgePtr>{ab}));

    a->detachEdge(loop);
    EXPECT_EQ(loop->origin(), nullptr);
    EXPECT_EQ(loop->destination(), nullptr);
    EXPECT_EQ(a->edges(), (std::vector<EdgePtr>{ab}));
    EXPECT_TRUE(a->outEdges().empty());
    EXPECT_EQ(a->inEdges(), (std::vector<EdgePtr>{ab}));

    // Detaching an edge of another vertex changes nothing; passing an element of the vertex's
    // own list is safe.
    c->detachEdge(loop);
    c->detachEdge(nullptr);
    EXPECT_EQ(c->edges().size(), 1u);
    a->detachEdge(a->edges()[0]);
    EXPECT_TRUE(a->edges().empty());
    EXPECT_EQ(ab->destination(), nullptr);
}

TEST(Graph, CloneCopiesOnlyWhatItShould) {
    auto g = makeGraph(3, {{0, 1}, {1, 2}});
    auto owner = std::make_shared<Named>("node");
    auto data = std::make_shared<Named>("data");
    const VertexPtr a = g->vertices()[0];
    a->setOwner(owner);
    a->setData(data);
    a->setWeight(3);
    a->setX(5);
    a->setLevel(2);
    a->setVirtual(true);
    g->edges()[0]->setOwner(owner);
    g->edges()[0]->setPoints(std::vector<Point>{{1, 1}});
    // An edge to a vertex outside the graph is not copied.
    g->addEdge(std::make_shared<Edge>(a, std::make_shared<Vertex>()));

    auto plain = g->cloneGraph(false);
    EXPECT_TRUE(plain->vertexCopyToOrigMap().empty());
    EXPECT_TRUE(plain->edgeCopyToOrigMap().empty());
    EXPECT_EQ(plain->vertices().size(), 3u);
    EXPECT_EQ(plain->edges().size(), 2u);

    auto copy = g->cloneGraph(true);
    const VertexPtr ca = copy->vertices()[0];
    EXPECT_NE(ca, a);
    EXPECT_EQ(ca->owner(), owner);
    EXPECT_EQ(ca->data(), data);
    EXPECT_EQ(ca->weight(), 3);
    EXPECT_EQ(ca->x(), 0);
    EXPECT_EQ(ca->level(), 0);
    EXPECT_FALSE(ca->virtual_());
    EXPECT_EQ(copy->edges()[0]->owner(), owner);
    EXPECT_FALSE(copy->edges()[0]->points());
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(copy->vertexCopyToOrigMap()[copy->vertices()[i]], g->vertices()[i]);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(copy->edgeCopyToOrigMap()[copy->edges()[i]], g->edges()[i]);
    EXPECT_EQ(ends(*copy, copy->edges()[1]), std::make_pair(1, 2));
    EXPECT_EQ(ca->outEdges().size(), 1u);
}

TEST(Graph, ConnectedComponentsShareTheObjects) {
    auto g = makeGraph(4, {{0, 1}, {2, 3}});
    const auto components = g->connectedComponents();
    ASSERT_EQ(components.size(), 2u);
    EXPECT_EQ(g->searchCounter(), 2);
    EXPECT_EQ(components[0]->vertices(),
              (std::vector<VertexPtr>{g->vertices()[0], g->vertices()[1]}));
    EXPECT_EQ(components[0]->edges(), (std::vector<EdgePtr>{g->edges()[0]}));
    EXPECT_EQ(components[1]->vertices(),
              (std::vector<VertexPtr>{g->vertices()[2], g->vertices()[3]}));
    EXPECT_EQ(components[1]->edges(), (std::vector<EdgePtr>{g->edges()[1]}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(g->vertices()[i]->index(), i);
    EXPECT_EQ(g->edges()[1]->index(), 1);
    EXPECT_EQ(g->vertices().size(), 4u);
}

TEST(Graph, ComponentsFollowEdgesBothWaysInVertexOrder) {
    // 3 -> 0, 2 -> 3, 1 alone, 4 -> 2: components {0, 2, 3, 4} and {1}.
    auto g = makeGraph(5, {{3, 0}, {2, 3}, {4, 2}});
    const auto components = g->connectedComponents();
    ASSERT_EQ(components.size(), 2u);
    const auto& first = components[0]->vertices();
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(first[0], g->vertices()[0]);
    EXPECT_EQ(first[3], g->vertices()[4]);
    EXPECT_EQ(positions(*g, components[0]->edges()), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(components[1]->vertices(), (std::vector<VertexPtr>{g->vertices()[1]}));
    EXPECT_TRUE(components[1]->edges().empty());
}

TEST(Graph, ComponentsIgnoreVerticesOfOtherGraphs) {
    auto g = makeGraph(2, {});
    auto foreign = std::make_shared<Vertex>();
    foreign->setIndex(1);
    g->addEdge(std::make_shared<Edge>(g->vertices()[0], foreign));
    EXPECT_EQ(g->connectedComponents().size(), 2u);
    std::vector<int> marks{-1};
    g->markComponent(marks, 5);
    g->markComponent(marks, -1);
    EXPECT_EQ(marks[0], -1);
}

TEST(Graph, LongChainDoesNotExhaustTheStack) {
    const int n = 100000;
    std::vector<std::pair<int, int>> links;
    for (int i = 0; i + 1 < n; ++i)
        links.emplace_back(i, i + 1);
    auto g = makeGraph(n, links);
    const auto components = g->connectedComponents();
    ASSERT_EQ(components.size(), 1u);
    EXPECT_EQ(components[0]->vertices().size(), static_cast<size_t>(n));
    EXPECT_TRUE(g->makeAcyclic().empty());
}

TEST(Graph, MakeAcyclicWithTwoVertices) {
    auto g = makeGraph(2, {{0, 1}, {1, 0}});
    const auto reversed = g->makeAcyclic();
    EXPECT_EQ(positions(*g, reversed), (std::vector<int>{0}));
    EXPECT_EQ(ends(*g, g->edges()[0]), std::make_pair(1, 0));

    // Parallel edges the same way form no cycle and stay; a leading self-loop is not the edge
    // that gets turned.
    auto parallel = makeGraph(2, {{0, 1}, {0, 1}});
    EXPECT_TRUE(parallel->makeAcyclic().empty());
    auto looped = makeGraph(2, {{0, 0}, {1, 0}, {0, 1}, {1, 0}});
    EXPECT_EQ(positions(*looped, looped->makeAcyclic()), (std::vector<int>{1, 3}));
    EXPECT_TRUE(isAcyclic(*looped));
}

TEST(Graph, MakeAcyclicExamples) {
    // Cycle A -> B -> C -> A: C is chosen first, the order is C, A, B, and only B -> C turns.
    auto cycle = makeGraph(3, {{0, 1}, {1, 2}, {2, 0}});
    EXPECT_EQ(positions(*cycle, cycle->makeAcyclic()), (std::vector<int>{1}));
    EXPECT_EQ(ends(*cycle, cycle->edges()[1]), std::make_pair(2, 1));

    // Only edge directions change: the indexes the component split set are kept.
    auto marked = makeGraph(4, {{0, 1}, {1, 2}, {2, 0}, {2, 3}});
    marked->connectedComponents();
    marked->vertices()[2]->setIndex(-7);
    EXPECT_EQ(marked->makeAcyclic().size(), 1u);
    EXPECT_EQ(marked->vertices()[1]->index(), 1);
    EXPECT_EQ(marked->vertices()[2]->index(), -7);
    EXPECT_EQ(marked->edges()[3]->index(), 3);

    auto single = makeGraph(3, {{0, 1}});
    EXPECT_TRUE(single->makeAcyclic().empty());
    EXPECT_TRUE(makeGraph(1, {{0, 0}, {0, 0}})->makeAcyclic().empty());

    auto chain = makeGraph(3, {{0, 1}, {1, 2}});
    EXPECT_TRUE(chain->makeAcyclic().empty());
    EXPECT_EQ(shape(*chain), shape(*makeGraph(3, {{0, 1}, {1, 2}})));
}

TEST(Graph, MakeAcyclicSurvivesSelfLoopsAndParallelEdges) {
    // A vertex whose out-minus-in count exceeds the vertex count, and self-loops everywhere.
    auto g = makeGraph(3, {{0, 1}, {0, 1}, {0, 1}, {0, 1}, {1, 2}, {2, 0}, {0, 0}, {1, 1}, {2, 2}});
    const auto reversed = g->makeAcyclic();
    EXPECT_TRUE(isAcyclic(*g));
    for (const EdgePtr& e : reversed)
        EXPECT_NE(e->origin(), e->destination());
    EXPECT_EQ(g->vertices().size(), 3u);
}

TEST(Graph, MakeAcyclicMatchesTheStepByStepReference) {
    std::mt19937 rng(12345);
    std::vector<std::vector<std::pair<int, int>>> graphs;
    const std::vector<std::tuple<int, int, bool>> sizes{
        {3, 4, true},     {5, 10, true},  {8, 30, true},    {30, 60, true},
        {200, 600, true}, {6, 20, false}, {40, 150, false}, {300, 900, false}};
    for (const auto& [n, m, simple] : sizes)
        for (int round = 0; round < 20; ++round)
            graphs.push_back(randomLinks(rng, n, m, simple));
    // A hub with many edges each way exercises the one-pass reversal.
    graphs.emplace_back();
    for (int i = 1; i < 400; ++i)
        graphs.back().emplace_back(i % 3 ? 0 : i, i % 3 ? i : 0);
    for (int i = 1; i + 1 < 400; i += 2)
        graphs.back().emplace_back(i + 1, i);

    for (size_t k = 0; k < graphs.size(); ++k) {
        const auto& links = graphs[k];
        int n = 0;
        for (const auto& [o, d] : links)
            n = std::max({n, o + 1, d + 1});
        auto fast = makeGraph(n, links);
        auto reference = makeGraph(n, links);
        ASSERT_EQ(positions(*fast, fast->makeAcyclic()),
                  positions(*reference, referenceMakeAcyclic(*reference)))
            << "graph " << k;
        ASSERT_EQ(shape(*fast), shape(*reference)) << "graph " << k;
        ASSERT_TRUE(isAcyclic(*fast)) << "graph " << k;
    }
}
