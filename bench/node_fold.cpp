// Folding and unfolding a node whose outgoing links reach a binary tree of n nodes, inside a
// document that listens to the fold events; the cost should grow linearly with n.
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace {

using namespace nodeloom;

struct Tree {
    explicit Tree(int n) : diagram(std::make_shared<Diagram>()) {
        for (int i = 0; i < n; ++i) {
            auto node = std::make_shared<DiagramNode>();
            diagram->attachItem(node, true);
            nodes.push_back(node);
            if (i == 0) continue;
            auto link = std::make_shared<DiagramLink>();
            auto origin = nodes[(i - 1) / 2]->createConnectionPoint(link, Point(), false);
            auto destination = node->createConnectionPoint(link, Point(), true);
            link->setOriginConnection(origin);
            link->setDestinationConnection(destination);
            origin->addLinkToNode();
            destination->addLinkToNode();
            diagram->attachItem(link, true);
        }
        diagram->nodeCollapsed() += [this](Object&, NodeValidationEventArgs&) { ++events; };
    }
    std::shared_ptr<Diagram> diagram;
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    long events = 0;
};

void BM_FoldAndUnfold(benchmark::State& state) {
    Tree tree(static_cast<int>(state.range(0)));
    const auto& root = tree.nodes.front();
    for (auto _ : state) {
        std::optional<DiagramNode::CollapsedSet> none;
        root->collapse(none);
        root->expand();
    }
    state.SetComplexityN(state.range(0));
    benchmark::DoNotOptimize(tree.events);
}
BENCHMARK(BM_FoldAndUnfold)->RangeMultiplier(8)->Range(64, 32768)->Complexity(benchmark::oN);

}  // namespace

BENCHMARK_MAIN();
