// Arranging documents with the automatic layouts. The tree and fractal layouts arrange trees,
// stars and sparse graphs of 1,000 and 10,000 nodes, through the document (graph building,
// components, write-back of node bounds and link points) and on the layout graph alone; each
// should grow about linearly, a hub with 10,000 leaves included. The spring layout arranges 1,000 vertices with its pair loop
// that visits each unordered pair once, next to the ordered pair loop it replaces.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/layout/FractalLayout.h"
#include "Nodeloom/layout/LayoutUtils.h"
#include "Nodeloom/layout/SpringLayout.h"
#include "Nodeloom/layout/TreeLayout.h"
#include "Nodeloom/links/DiagramLink.h"
#include "tests/layout/LayoutTestSupport.h"

namespace {

using namespace nodeloom;

enum Shape { tree = 0, star = 1, sparse = 2 };

// n nodes of assorted sizes: a random tree (each node below an earlier one), a hub with n - 1
// leaves, or n nodes with 1.5 n random links.
std::shared_ptr<Diagram> makeDocument(Shape shape, int n) {
    std::mt19937 random(17);
    auto d = std::make_shared<Diagram>();
    auto& factory = *d->factory();
    std::uniform_real_distribution<double> size(10, 40), pos(0, 2000);
    std::vector<std::shared_ptr<ShapeNode>> nodes;
    for (int i = 0; i < n; ++i)
        nodes.push_back(factory.createShapeNode(pos(random), pos(random), size(random), size(random)));
    auto pick = [&](int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); };
    switch (shape) {
    case tree:
        for (int i = 1; i < n; ++i) factory.createDiagramLink(nodes[pick(i)], nodes[i]);
        break;
    case star:
        for (int i = 1; i < n; ++i) factory.createDiagramLink(nodes[0], nodes[i]);
        break;
    case sparse:
        for (int i = 0; i < n * 3 / 2; ++i) factory.createDiagramLink(nodes[pick(n)], nodes[pick(n)]);
        break;
    }
    return d;
}

void arrange(benchmark::State& state, const std::shared_ptr<Layout>& layout) {
    const auto shape = static_cast<Shape>(state.range(0));
    const auto n = static_cast<int>(state.range(1));
    auto d = makeDocument(shape, n);
    for (auto _ : state) {
        d->arrange(layout);
        benchmark::DoNotOptimize(d->nodes().back()->bounds());
    }
    state.SetComplexityN(n);
}

void ArrangeTree(benchmark::State& state) {
    arrange(state, std::make_shared<TreeLayout>());
}
void ArrangeFractal(benchmark::State& state) {
    arrange(state, std::make_shared<FractalLayout>());
}
// The layouts alone on the components of the same documents' layout graphs: what the layout
// algorithms cost without the document's own work of moving nodes and links.
void arrangeComponents(benchmark::State& state, Layout& layout) {
    auto d = makeDocument(static_cast<Shape>(state.range(0)), static_cast<int>(state.range(1)));
    const LayoutGraph built = LayoutUtils::buildLayoutGraph(
        layout.mergesRepeatingLinks(), false, d->nodes(), d->links(), nullptr);
    const auto components = built.graph->connectedComponents();
    for (auto _ : state) {
        for (const auto& c : components) layout.arrangeGraph(c);
        benchmark::DoNotOptimize(built.graph->vertices().back()->x());
    }
}

// Every node of the document moved once through setBounds with its dependents, as the write-back
// moves them: the floor under the document arrangements above. Nodes, links and their states lie
// scattered over the heap, so this grows faster than the node count once they outgrow the caches.
void MoveEveryNode(benchmark::State& state) {
    auto d = makeDocument(static_cast<Shape>(state.range(0)), static_cast<int>(state.range(1)));
    double dx = 1;
    for (auto _ : state) {
        dx = -dx;
        for (const auto& n : d->nodes()) {
            Rect b = n->bounds();
            b.x += dx;
            n->setBounds(b, true);
        }
    }
}

// The graph's own split into components: one linear pass over the same vertices and edges, the
// yardstick for how much of the growth from 1,000 to 10,000 comes from the caches alone.
void SplitComponents(benchmark::State& state) {
    auto d = makeDocument(static_cast<Shape>(state.range(0)), static_cast<int>(state.range(1)));
    const LayoutGraph built =
        LayoutUtils::buildLayoutGraph(true, false, d->nodes(), d->links(), nullptr);
    for (auto _ : state) benchmark::DoNotOptimize(built.graph->connectedComponents());
}

void LayTree(benchmark::State& state) {
    TreeLayout layout;
    arrangeComponents(state, layout);
}
void LayFractal(benchmark::State& state) {
    FractalLayout layout;
    arrangeComponents(state, layout);
}

BENCHMARK(ArrangeTree)
    ->ArgsProduct({{tree, star, sparse}, {1000, 10000}})
    ->ArgNames({"shape", "n"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ArrangeFractal)
    ->ArgsProduct({{tree, star, sparse}, {1000, 10000}})
    ->ArgNames({"shape", "n"})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(LayTree)
    ->ArgsProduct({{tree, star, sparse}, {1000, 10000}})
    ->ArgNames({"shape", "n"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(LayFractal)
    ->ArgsProduct({{tree, star, sparse}, {1000, 10000}})
    ->ArgNames({"shape", "n"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(SplitComponents)
    ->ArgsProduct({{tree, star, sparse}, {1000, 10000}})
    ->ArgNames({"shape", "n"})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(MoveEveryNode)
    ->ArgsProduct({{tree, star, sparse}, {1000, 10000}})
    ->ArgNames({"shape", "n"})
    ->Unit(benchmark::kMillisecond);

// A sparse graph of 1,000 vertices at distinct positions; the jitter never runs, so both loops
// do exactly the same arithmetic apart from the pairs they share.
std::shared_ptr<Graph> springGraph() {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> pos(0, 1000), size(10, 40);
    auto g = std::make_shared<Graph>();
    for (int i = 0; i < 1000; ++i)
        test::addVertex(*g, pos(random), pos(random), size(random), size(random));
    std::uniform_int_distribution<int> pick(0, 999);
    for (int i = 0; i < 1500; ++i)
        test::addEdge(*g, g->vertices()[pick(random)], g->vertices()[pick(random)]);
    return g;
}

void SpringPairsOnce(benchmark::State& state) {
    SpringLayout layout;
    for (auto _ : state) {
        auto g = springGraph();
        layout.arrangeGraph(g);
        benchmark::DoNotOptimize(g->vertices().back()->x());
    }
}
void SpringOrderedPairs(benchmark::State& state) {
    std::mt19937 random(1);
    for (auto _ : state) {
        auto g = springGraph();
        test::literalSpring(*g, 30.0, 300, [&] { return static_cast<std::uint32_t>(random()); });
        benchmark::DoNotOptimize(g->vertices().back()->x());
    }
}
BENCHMARK(SpringPairsOnce)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SpringOrderedPairs)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
