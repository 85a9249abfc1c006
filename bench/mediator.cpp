// Moving the first node of a chain of attached nodes, each linked to the next, through
// setBounds with dependencies: the mediator collects the whole chain and its links and moves
// them. The work should grow linearly with the chain.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace {

using namespace nodeloom;

void MoveAttachedChain(benchmark::State& state) {
    const auto length = static_cast<int>(state.range(0));
    auto d = std::make_shared<Diagram>();
    auto& factory = *d->factory();
    std::vector<std::shared_ptr<ShapeNode>> chain;
    for (int i = 0; i < length; ++i) {
        chain.push_back(factory.createShapeNode(i * 20.0, 0, 10, 10));
        if (i > 0) {
            chain[i]->attachToNode(chain[i - 1], AttachToNode::topLeft);
            factory.createDiagramLink(chain[i - 1], chain[i]);
        }
    }
    double y = 0;
    for (auto _ : state) {
        y = y == 0 ? 10 : 0;
        chain.front()->setBounds(Rect(0, y, 10, 10), true);
        benchmark::DoNotOptimize(chain.back()->bounds());
    }
    state.SetComplexityN(length);
}
BENCHMARK(MoveAttachedChain)->RangeMultiplier(4)->Range(256, 16384)->Complexity();

}  // namespace
