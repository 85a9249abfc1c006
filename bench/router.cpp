// Routes every link of a generated document: nodes of random sizes on a grid, each linked to a
// random node at most two cells away. Ten times the nodes bring ten times the links, so the
// time per link shows whether routing one link depends on the size of the document.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/Router.h"

using namespace nodeloom;

namespace {

std::shared_ptr<Diagram> gridDocument(int count) {
    auto diagram = std::make_shared<Diagram>();
    const int columns = static_cast<int>(std::ceil(std::sqrt(count)));
    const int rows = (count + columns - 1) / columns;
    constexpr double pitch = 60, gap = 16;
    std::mt19937 random(1);
    std::uniform_real_distribution<double> size(12, 30), unit(0, 1);
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    for (int i = 0; i < count; ++i) {
        const double w = size(random), h = size(random);
        auto node = std::make_shared<DiagramNode>();
        node->setBounds(Rect((i % columns) * pitch + unit(random) * (pitch - gap - w),
                             (i / columns) * pitch + unit(random) * (pitch - gap - h), w, h));
        diagram->addItem(node);
        nodes.push_back(node);
    }
    std::uniform_int_distribution<int> step(-2, 2);
    for (int i = 0; i < count; ++i) {
        int j = i;
        while (j == i || j >= count) {
            const int c = std::clamp(i % columns + step(random), 0, columns - 1);
            const int r = std::clamp(i / columns + step(random), 0, rows - 1);
            j = r * columns + c;
        }
        const Point ci = nodes[i]->bounds().center(), cj = nodes[j]->bounds().center();
        auto link = std::make_shared<DiagramLink>();
        link->setControlPoints({ci, cj});
        link->connectEnd(nodes[i], false, cj, false);
        link->connectEnd(nodes[j], true, ci, false);
        link->setAutoRoute(true);
        diagram->addItem(link);
    }
    return diagram;
}

void BM_RouteEveryLink(benchmark::State& state) {
    const auto diagram = gridDocument(static_cast<int>(state.range(0)));
    const auto links = diagram->links();
    const auto router = diagram->linkRouter();
    for (auto _ : state) {
        router->routeLinkSet(links);
        benchmark::ClobberMemory();
    }
    state.counters["links"] = static_cast<double>(links.size());
    state.counters["per link"] = benchmark::Counter(
        static_cast<double>(links.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RouteEveryLink)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same through the document, as a move of every node asks for it.
void BM_RerouteEverything(benchmark::State& state) {
    const auto diagram = gridDocument(static_cast<int>(state.range(0)));
    const std::vector<Rect> everything{diagram->bounds().union_(Rect(0, 0, 2000, 2000))};
    for (auto _ : state)
        diagram->rerouteLinks(everything);
}
BENCHMARK(BM_RerouteEverything)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
