// Scrolling a tree view whose rows hold links to another tree: re-placing the links after a
// scroll locates the rows in one walk, so 2,000 links on 20,000 items should cost at most 2.5
// times 1,000 links on 10,000 items. Asking the tree for its links, as every move, fold, layout
// and removal of the node does, is one walk of the items too, whatever the host took out of the
// tree before.
#include <benchmark/benchmark.h>

#include <memory>

#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Factory.h"
#include "Nodeloom/links/DiagramLink.h"

namespace {

using namespace nodeloom;

// Items in groups of ten under each root, every tenth item linked to the other tree's root.
struct LinkedTree {
    explicit LinkedTree(int items) : diagram(std::make_shared<Diagram>()) {
        Factory& factory = *diagram->factory();
        tree = factory.createTreeViewNode(0, 0, 60, 200);
        auto other = factory.createTreeViewNode(200, 0, 60, 60);
        auto target = std::make_shared<TreeViewItem>();
        other->rootItems().push_back(target);
        for (int i = 0; i < items; i += 10) {
            auto root = std::make_shared<TreeViewItem>();
            for (int k = 0; k < 9; ++k) root->children().push_back(std::make_shared<TreeViewItem>());
            tree->rootItems().push_back(root);
            const auto& linked = root->children()[static_cast<std::size_t>(i / 10 % 9)];
            factory.createDiagramLink(tree, linked, other, target);
        }
    }
    std::shared_ptr<Diagram> diagram;
    std::shared_ptr<TreeViewNode> tree;
};

void BM_TreeLinksAfterScroll(benchmark::State& state) {
    const int items = static_cast<int>(state.range(0));
    LinkedTree linked(items);
    double position = 0;
    for (auto _ : state) {
        position = position == 0 ? 40.0 : 0.0;
        linked.tree->setCurrentScrollPos(position);
    }
    state.SetItemsProcessed(state.iterations() * items / 10);
}

void BM_TreeAllLinks(benchmark::State& state) {
    const int items = static_cast<int>(state.range(0));
    LinkedTree linked(items);
    for (auto _ : state) benchmark::DoNotOptimize(linked.tree->getAllLinks());
    state.SetItemsProcessed(state.iterations() * items);
}

}  // namespace

BENCHMARK(BM_TreeAllLinks)->Arg(10000)->Arg(20000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TreeLinksAfterScroll)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);
