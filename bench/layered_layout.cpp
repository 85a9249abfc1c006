#include <benchmark/benchmark.h>

#include <memory>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/foundation/Graph.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/layout/LayeredLayout.h"
#include "Nodeloom/links/DiagramLink.h"
#include "layered/Generators.h"

using namespace nodeloom;

namespace {

std::shared_ptr<Diagram> makeDiagram(const layered_bench::GraphSpec& spec) {
    auto diagram = std::make_shared<Diagram>();
    std::vector<std::shared_ptr<ShapeNode>> nodes;
    nodes.reserve(spec.sizes.size());
    for (const auto& [w, h] : spec.sizes)
        nodes.push_back(diagram->factory()->createShapeNode(0, 0, w, h));
    for (const auto& [a, b] : spec.edges)
        diagram->factory()->createDiagramLink(nodes[static_cast<std::size_t>(a)],
                                              nodes[static_cast<std::size_t>(b)]);
    return diagram;
}

std::shared_ptr<Graph> makeGraph(const layered_bench::GraphSpec& spec) {
    auto graph = std::make_shared<Graph>();
    for (const auto& [w, h] : spec.sizes) {
        auto v = std::make_shared<Vertex>();
        v->setWidth(w);
        v->setHeight(h);
        graph->vertices().push_back(v);
    }
    for (const auto& [a, b] : spec.edges)
        graph->addEdge(std::make_shared<Edge>(graph->vertices()[static_cast<std::size_t>(a)],
                                              graph->vertices()[static_cast<std::size_t>(b)]));
    return graph;
}

layered_bench::GraphSpec spec(int kind, int n) {
    switch (kind) {
    case 1:
        return layered_bench::tree(n, 2);
    case 2:
        return layered_bench::sparse(n, 3);
    default:
        return layered_bench::dag(n, 1);
    }
}

// The whole arrangement of a document: graph, components, layout and write-back.
void BM_ArrangeDocument(benchmark::State& state) {
    const int n = static_cast<int>(state.range(1));
    const auto diagram = makeDiagram(spec(static_cast<int>(state.range(0)), n));
    const auto layout = std::make_shared<LayeredLayout>();
    for (auto _ : state)
        diagram->arrange(layout);
    state.SetComplexityN(n);
}

// The layout alone on one graph (a DAG is one component).
void BM_ArrangeGraph(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const auto recipe = layered_bench::dag(n, 1);
    LayeredLayout layout;
    for (auto _ : state) {
        state.PauseTiming();
        auto graph = makeGraph(recipe);
        state.ResumeTiming();
        benchmark::DoNotOptimize(layout.arrangeGraph(graph));
        state.PauseTiming();
        graph.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

}  // namespace

// Kinds: 0 DAG, 1 tree, 2 sparse random graph. The DAG of 10,000 nodes should take at most
// fifteen times as long as the one of 1,000.
BENCHMARK(BM_ArrangeDocument)
    ->Args({0, 1000})
    ->Args({0, 3000})
    ->Args({0, 10000})
    ->Args({1, 3000})
    ->Args({2, 3000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrangeGraph)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
