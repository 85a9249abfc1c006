// Rebuilding the drawing order of a document whose nodes lie in containers nested three deep,
// with as many links as nodes: half inside one innermost container, a quarter inside one
// outermost container, a quarter anywhere. The document's pass finds each link's container once,
// so doubling the document should about double the cost. The second benchmark runs the counting
// rule once per container, as the free function does, for comparison.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace {

using namespace nodeloom;

constexpr int kBranches = 4;   // containers in each container of the two outer levels
constexpr int kLeaves = 20;    // plain nodes in each innermost container

struct Nested {
    explicit Nested(int nodes) : diagram(std::make_shared<Diagram>()) {
        std::mt19937 random(42);
        std::vector<std::vector<std::shared_ptr<DiagramNode>>> groups;  // leaves by outer one
        std::vector<std::vector<std::shared_ptr<DiagramNode>>> cells;   // leaves by inner one
        int made = 0;
        const auto add = [&](std::shared_ptr<DiagramNode> node) {
            node->_setBounds(Rect(made % 100 * 10.0, made / 100 * 10.0, 5, 5));
            diagram->attachItem(node, true);
            ++made;
            return node;
        };
        while (made < nodes) {
            auto outer = std::static_pointer_cast<ContainerNode>(
                add(std::make_shared<ContainerNode>()));
            containers.push_back(outer);
            groups.emplace_back();
            for (int i = 0; i < kBranches && made < nodes; ++i) {
                auto middle = std::static_pointer_cast<ContainerNode>(
                    add(std::make_shared<ContainerNode>()));
                outer->add(middle);
                containers.push_back(middle);
                for (int j = 0; j < kBranches && made < nodes; ++j) {
                    auto inner = std::static_pointer_cast<ContainerNode>(
                        add(std::make_shared<ContainerNode>()));
                    middle->add(inner);
                    containers.push_back(inner);
                    cells.emplace_back();
                    for (int k = 0; k < kLeaves && made < nodes; ++k) {
                        auto leaf = add(std::make_shared<DiagramNode>());
                        inner->add(leaf);
                        cells.back().push_back(leaf);
                        groups.back().push_back(leaf);
                        leaves.push_back(leaf);
                    }
                }
            }
        }
        std::erase_if(cells, [](const auto& cell) { return cell.empty(); });
        std::erase_if(groups, [](const auto& group) { return group.empty(); });
        const auto pick = [&random](const std::vector<std::shared_ptr<DiagramNode>>& from) {
            return from[random() % from.size()];
        };
        for (int i = 0; i < nodes; ++i) {
            const int kind = i % 4;
            const auto& scope = kind < 2 ? cells[random() % cells.size()]
                                : kind == 2 ? groups[random() % groups.size()]
                                            : leaves;
            connect(pick(scope), pick(scope));
        }
    }

    void connect(const std::shared_ptr<DiagramNode>& from, const std::shared_ptr<DiagramNode>& to) {
        diagram->factory()->createDiagramLink(from, to);
    }

    std::shared_ptr<Diagram> diagram;
    std::vector<std::shared_ptr<ContainerNode>> containers;
    std::vector<std::shared_ptr<DiagramNode>> leaves;
};

void BM_UpdateZOrder(benchmark::State& state) {
    Nested doc(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        doc.diagram->setZOrderInvalid(true);
        doc.diagram->updateZOrder();
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_UpdateZOrder)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_CountingRulePerContainer(benchmark::State& state) {
    Nested doc(static_cast<int>(state.range(0)));
    doc.diagram->setZOrderInvalid(true);
    doc.diagram->updateZOrder();
    for (auto _ : state) {
        for (const auto& c : doc.containers) {
            c->zOrder().clear();
            appendContentToZOrder(*c, *c);
            std::stable_sort(c->zOrder().begin(), c->zOrder().end(),
                             [](const auto& a, const auto& b) {
                                 return a->runtimeIndex() < b->runtimeIndex();
                             });
        }
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CountingRulePerContainer)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
