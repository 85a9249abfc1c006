// Scrolling a table whose every row holds a link to a node beside it: re-placing the links after
// a scroll should cost in proportion to the links (10,000 at most 2.5 times 5,000).
#include <benchmark/benchmark.h>

#include <memory>

#include "Nodeloom/composite/TableNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace {

using namespace nodeloom;

struct LinkedTable {
    explicit LinkedTable(int rows) : diagram(std::make_shared<Diagram>()) {
        Factory& factory = *diagram->factory();
        table = factory.createTableNode(0, 0, 60, 200, 2, rows);
        auto node = factory.createShapeNode(200, 0, 20, 20);
        for (int r = 0; r < rows; ++r) {
            if (r % 2 == 0)
                factory.createDiagramLink(node, table, r);
            else
                factory.createDiagramLink(table, r, node);
        }
    }
    std::shared_ptr<Diagram> diagram;
    std::shared_ptr<TableNode> table;
};

void BM_UpdateLinksAfterScroll(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    LinkedTable linked(rows);
    int position = 0;
    for (auto _ : state) {
        position = position == 0 ? rows / 2 : 0;
        linked.table->setCurrentScrollPos(position);
    }
    state.SetComplexityN(state.range(0));
    state.counters["links"] = static_cast<double>(linked.diagram->links().size());
}
BENCHMARK(BM_UpdateLinksAfterScroll)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
