// Draws whole documents of shape nodes on a grid with labelled links, half of them crossing in
// pairs (so that bridges are drawn): 1,000 nodes with 1,500 links and 10,000 nodes with 15,000
// links. The first draw finds every crossing and places every label; a second draw of the
// unchanged document reuses the cached crossings and text measures.
//
// Each draw is onto a bitmap that shows the whole document, and is compared with a bare Cairo and
// Pango program drawing the same rectangles, lines, bridges, arrowheads, label boxes and texts,
// with its texts laid out once. Two more second draws give the shares of what the library does
// beyond the bare program: one with the crossings drawn straight (the bridges), one with the
// labels kept where the first draw placed them (the arrangement the document does on every
// draw). A second draw onto a bitmap that shows a corner only, where Cairo culls nearly
// everything, measures the library's own work for each item.
#include <benchmark/benchmark.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/CrossingsData.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"
#include "LinkNodes.h"
#include "BareDrawing.h"
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

void BM_FirstDraw(benchmark::State& state) {
    std::shared_ptr<Diagram> d;
    for (auto _ : state) {
        state.PauseTiming();
        d = makeDocument(static_cast<int>(state.range(0)));
        bench::DrawingSurface surface(*d);
        state.ResumeTiming();
        surface.draw(*d);
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

void drawAgain(benchmark::State& state, Diagram& d, bench::DrawingSurface& surface) {
    surface.draw(d);
    for (auto _ : state)
        surface.draw(d);
}

void BM_DrawAgain(benchmark::State& state) {
    auto d = makeDocument(static_cast<int>(state.range(0)));
    bench::DrawingSurface surface(*d);
    drawAgain(state, *d, surface);
}

// The same document with its crossings drawn straight, as the bare program draws them.
void BM_DrawAgainWithoutBridges(benchmark::State& state) {
    auto d = makeDocument(static_cast<int>(state.range(0)));
    d->setLinkCrossings(LinkCrossings::straight);
    bench::DrawingSurface surface(*d);
    drawAgain(state, *d, surface);
}

// The same picture without placing the labels again: after the first draw has placed them, they
// keep their places and leave the arrangement that the document does on every draw.
void BM_DrawAgainWithoutArranging(benchmark::State& state) {
    auto d = makeDocument(static_cast<int>(state.range(0)));
    bench::DrawingSurface surface(*d);
    surface.draw(*d);
    for (const auto& link : d->links()) {
        for (const auto& label : std::as_const(*link).labels())
            label->setAutoArrange(false);
    }
    drawAgain(state, *d, surface);
}

void BM_DrawAgainCulled(benchmark::State& state) {
    auto d = makeDocument(static_cast<int>(state.range(0)));
    bench::DrawingSurface surface(256, 256);
    drawAgain(state, *d, surface);
}

void BM_DrawBare(benchmark::State& state) {
    auto d = makeDocument(static_cast<int>(state.range(0)));
    bench::DrawingSurface surface(*d);
    // The library's first draw places the labels that the bare program reads.
    surface.draw(*d);
    bench::BareDrawing bare(*d);
    bare.draw(surface);
    for (auto _ : state)
        bare.draw(surface);
}

// The machine is shared: the least of several runs is the figure to compare.
double least(const std::vector<double>& values) {
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

}  // namespace

#define DRAWING_BENCHMARK(name)                \
    BENCHMARK(name)                            \
        ->Arg(1000)                            \
        ->Arg(10000)                           \
        ->Unit(benchmark::kMillisecond)        \
        ->Iterations(2)                        \
        ->Repetitions(5)                       \
        ->ComputeStatistics("min", least)      \
        ->ReportAggregatesOnly(true)

DRAWING_BENCHMARK(BM_FirstDraw);
DRAWING_BENCHMARK(BM_DrawAgain);
DRAWING_BENCHMARK(BM_DrawBare);
DRAWING_BENCHMARK(BM_DrawAgainWithoutBridges);
DRAWING_BENCHMARK(BM_DrawAgainWithoutArranging);
DRAWING_BENCHMARK(BM_DrawAgainCulled);
