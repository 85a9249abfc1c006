#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;

namespace {

// n nodes with random ranks and n links between them, not yet in a document. The document is
// built as one is drawn: each link joins a node to one of the few made just before it.
struct Content {
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    std::vector<std::shared_ptr<DiagramLink>> links;
};

Content makeContent(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, n - 1);
    std::uniform_int_distribution<int> back(1, 8);
    Content c;
    for (int i = 0; i < n; ++i) {
        auto node = std::make_shared<DiagramNode>();
        node->_setBounds(Rect(pick(rng), pick(rng), 20, 10));
        node->setZIndex(pick(rng));
        c.nodes.push_back(node);
    }
    for (int i = 0; i < n; ++i) {
        const auto& from = c.nodes[static_cast<std::size_t>(std::max(0, i - back(rng)))];
        const auto& to = c.nodes[static_cast<std::size_t>(i)];
        auto link = std::make_shared<DiagramLink>();
        link->setControlPoints({from->bounds().center(), to->bounds().center()});
        link->setOriginConnection(from->createConnectionPoint(link, link->startPoint(), false));
        link->setDestinationConnection(to->createConnectionPoint(link, link->endPoint(), true));
        link->setZIndex(pick(rng));
        c.links.push_back(link);
    }
    return c;
}

std::shared_ptr<Diagram> makeDocument(const Content& c) {
    auto d = std::make_shared<Diagram>();
    for (const auto& node : c.nodes)
        d->addItem(node);
    for (const auto& link : c.links)
        d->addItem(link);
    return d;
}

// Adding n nodes and n links.
void BM_AddItems(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        const Content c = makeContent(n, 7);
        auto d = std::make_shared<Diagram>();
        state.ResumeTiming();
        for (const auto& node : c.nodes)
            d->addItem(node);
        for (const auto& link : c.links)
            d->addItem(link);
        state.PauseTiming();
        d.reset();
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

// Sorting the drawing order of 2n items added in random rank order.
void BM_UpdateZOrder(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Content c = makeContent(n, 7);
    auto d = makeDocument(c);
    for (auto _ : state) {
        state.PauseTiming();
        // Back to the order of addition, so that every round sorts the same input.
        d->clear();
        d->setUndoEnabled(false);
        for (const auto& node : c.nodes)
            d->addItem(node);
        for (const auto& link : c.links)
            d->addItem(link);
        state.ResumeTiming();
        d->updateZOrder();
    }
    state.SetComplexityN(n);
}

// Removing every node one by one, each with its links.
void BM_RemoveNodes(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Content c;
    std::shared_ptr<Diagram> d;
    for (auto _ : state) {
        state.PauseTiming();
        d.reset();
        c = makeContent(n, 7);
        d = makeDocument(c);
        d->updateZOrder();
        state.ResumeTiming();
        for (const auto& node : c.nodes)
            d->removeItem(node);
    }
    state.SetComplexityN(n);
}

// One hub linked to n nodes around it, half the links leading in and half out; removing the
// hub takes its n links along. The cost should grow with n, not with its square, with undo off
// or on.
struct Hub {
    std::shared_ptr<Diagram> diagram;
    std::shared_ptr<DiagramNode> hub;
};

Hub makeHub(int n, bool undo) {
    Hub h{std::make_shared<Diagram>(), std::make_shared<DiagramNode>()};
    h.hub->_setBounds(Rect(0, 0, 20, 10));
    h.diagram->addItem(h.hub);
    for (int i = 0; i < n; ++i) {
        auto node = std::make_shared<DiagramNode>();
        node->_setBounds(Rect(40 + (i % 200) * 30, (i / 200) * 20, 20, 10));
        h.diagram->addItem(node);
        auto link = std::make_shared<DiagramLink>();
        const bool out = i % 2 == 0;
        const auto& from = out ? h.hub : node;
        const auto& to = out ? node : h.hub;
        link->setControlPoints({from->bounds().center(), to->bounds().center()});
        link->setOriginConnection(from->createConnectionPoint(link, link->startPoint(), false));
        link->setDestinationConnection(to->createConnectionPoint(link, link->endPoint(), true));
        h.diagram->addItem(link);
    }
    h.diagram->setUndoEnabled(undo);
    return h;
}

// Arguments: the number of links, and whether undo is on.
void BM_RemoveLinkedNode(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Hub h = makeHub(n, state.range(1) != 0);
        state.ResumeTiming();
        h.diagram->removeItem(h.hub);
        state.PauseTiming();
        h = Hub();
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

// Undoing that removal, which puts every link back in its place.
void BM_UndoRemoveLinkedNode(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Hub h = makeHub(n, true);
        h.diagram->removeItem(h.hub);
        state.ResumeTiming();
        h.diagram->undo();
        // The lists join what the undo put back when they are next read.
        benchmark::DoNotOptimize(h.diagram->links().size());
        state.PauseTiming();
        h = Hub();
        state.ResumeTiming();
    }
    state.SetComplexityN(n);
}

}  // namespace

BENCHMARK(BM_AddItems)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UpdateZOrder)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveNodes)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RemoveLinkedNode)
    ->ArgsProduct({{5000, 10000, 20000, 40000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRemoveLinkedNode)
    ->Arg(5000)
    ->Arg(10000)
    ->Arg(20000)
    ->Arg(40000)
    ->Unit(benchmark::kMillisecond);
