// Draws whole documents of shape nodes on a grid with labelled links, half of them crossing in
// pairs (so that bridges are drawn): 1,000 nodes with 1,500 links and 10,000 nodes with 15,000
// links. The first draw finds every crossing and places every label; a second draw of the
// unchanged document reuses the cached crossings and text measures.
//
// The canvas is a small bitmap: the library does all of its work for every item, while Cairo
// only fills the few pixels that fall inside, so the numbers measure the library rather than the
// rasteriser.
#include <benchmark/benchmark.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/CrossingsData.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "LinkNodes.h"
#include "DrawDocument.h"

namespace {

using namespace nodeloom;

constexpr double kSpacing = 40;

std::shared_ptr<DiagramLink> connect(Diagram& d, const std::shared_ptr<DiagramNode>& from,
                                     const std::shared_ptr<DiagramNode>& to, int number) {
    auto link = linkNodes(d, from, to);
    std::string text = "link ";
    text += std::to_string(number);
    link->addLabel(std::make_shared<LinkLabel>(link, text));
    return link;
}

// Nodes on a square grid; every node links to its right neighbour, and in every other row each
// node also links diagonally down, the diagonals of neighbouring columns crossing in pairs.
std::shared_ptr<Diagram> makeDocument(int nodeCount) {
    auto d = std::make_shared<Diagram>();
    d->setLinkCrossings(LinkCrossings::arc);
    d->setCrossingRadius(2);
    const int columns = static_cast<int>(std::ceil(std::sqrt(nodeCount)));
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    for (int i = 0; i < nodeCount; ++i) {
        auto node = std::make_shared<ShapeNode>();
        node->_setBounds(Rect((i % columns) * kSpacing, (i / columns) * kSpacing, 20, 12));
        std::string text = "node ";
        text += std::to_string(i);
        node->setText(text);
        d->addItem(node);
        nodes.push_back(node);
    }
    int links = 0;
    for (int i = 0; i < nodeCount; ++i) {
        const int row = i / columns, column = i % columns;
        if (column + 1 < columns && i + 1 < nodeCount) connect(*d, nodes[i], nodes[i + 1], links++);
        if (row % 2 != 0) continue;
        const int target = column % 2 == 0 ? i + columns + 1 : i + columns - 1;
        if (column % 2 == 0 && column + 1 >= columns) continue;
        if (target < nodeCount) connect(*d, nodes[i], nodes[target], links++);
    }
    const int rows = (nodeCount + columns - 1) / columns;
    d->setBounds(Rect(-10, -10, columns * kSpacing + 20, rows * kSpacing + 20));
    return d;
}

void draw(Diagram& d) {
    bench::drawDocument(d);
}

void BM_FirstDraw(benchmark::State& state) {
    std::shared_ptr<Diagram> d;
    for (auto _ : state) {
        state.PauseTiming();
        d = makeDocument(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        draw(*d);
    }
    // What the draw found: the links, and those that bridge another one.
    int bridges = 0;
    for (const auto& link : d->links()) {
        for (const auto& list : link->computeCrossings()->segmentCrossings())
            bridges += list.size() > 2 ? 1 : 0;
    }
    state.counters["links"] = static_cast<double>(d->links().size());
    state.counters["bridging"] = bridges;
}

void BM_DrawAgain(benchmark::State& state) {
    auto d = makeDocument(static_cast<int>(state.range(0)));
    draw(*d);
    for (auto _ : state)
        draw(*d);
}

// The machine is shared: the least of several runs is the figure to compare.
double least(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

}  // namespace

BENCHMARK(BM_FirstDraw)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(5)
    ->ComputeStatistics("min", least)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_DrawAgain)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2)
    ->Repetitions(5)
    ->ComputeStatistics("min", least)
    ->ReportAggregatesOnly(true);
