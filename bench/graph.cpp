#include <benchmark/benchmark.h>

#include <memory>
#include <random>

#include "Nodeloom/foundation/Graph.h"

using namespace nodeloom;

namespace {

// A random directed graph with n vertices and 2n edges (self-loops and repeats allowed, as the
// cycle removal copes with them).
std::shared_ptr<Graph> randomGraph(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, n - 1);
    auto graph = std::make_shared<Graph>();
    graph->vertices().reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        graph->vertices().push_back(std::make_shared<Vertex>());
    for (int i = 0; i < 2 * n; ++i)
        graph->addEdge(
            std::make_shared<Edge>(graph->vertices()[pick(rng)], graph->vertices()[pick(rng)]));
    return graph;
}

void BM_ConnectedComponents(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto graph = randomGraph(n, 7);
    for (auto _ : state)
        benchmark::DoNotOptimize(graph->connectedComponents());
    state.SetComplexityN(n);
}

void BM_MakeAcyclic(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    unsigned seed = 7;
    for (auto _ : state) {
        state.PauseTiming();
        auto graph = randomGraph(n, seed++);
        state.ResumeTiming();
        benchmark::DoNotOptimize(graph->makeAcyclic());
        state.PauseTiming();
        graph.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

}  // namespace

BENCHMARK(BM_ConnectedComponents)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_MakeAcyclic)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->Arg(300000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
