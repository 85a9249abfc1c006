// One drag step of a selection of nodes, each with two links to other selected nodes: the
// controller moves every selected node and lets the rules carry their links along. A step of
// 1,000 nodes should cost about twice one of 500.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/view/ModifySelectionController.h"

namespace {

using namespace nodeloom;

void SelectionDragStep(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    auto d = std::make_shared<Diagram>();
    d->setAlignToGrid(false);
    auto& factory = *d->factory();
    std::vector<std::shared_ptr<ShapeNode>> nodes;
    for (int i = 0; i < count; ++i)
        nodes.push_back(factory.createShapeNode((i % 40) * 30.0, (i / 40) * 30.0, 10, 10));
    for (int i = 0; i < count; ++i) {
        factory.createDiagramLink(nodes[i], nodes[(i + 1) % count]);
        factory.createDiagramLink(nodes[i], nodes[(i * 7 + 3) % count]);
    }
    for (const auto& node : nodes)
        node->setSelected(true);

    ModifySelectionController drag(
        d, std::make_shared<NodeAdjustmentHandle>(nodes.front(), NodeHandleType::move));
    drag.onTouchDown(Point(5, 5), Point(0, 0));
    double x = 5;
    for (auto _ : state) {
        x = x == 5 ? 25 : 5;
        drag.onTouchMove(Point(x, 5), Point(0, 0));
        benchmark::DoNotOptimize(nodes.back()->bounds());
    }
    drag.onTouchUp(Point(x, 5), Point(0, 0));
    state.SetComplexityN(count);
}
BENCHMARK(SelectionDragStep)->Arg(500)->Arg(1000)->Complexity();

}  // namespace
