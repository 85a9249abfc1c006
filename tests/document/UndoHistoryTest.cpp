#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/UndoManager.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Edits a document at random through its undoable operations: adds, removals, moves, nested
// composite operations, and undo and redo in between.
class RandomEditor {
public:
    RandomEditor(Diagram& d, unsigned seed) : d_(d), random_(seed) {}

    void simpleStep() {
        const std::size_t kind = d_.nodes().empty() ? 0 : pick(5);
        if (kind == 0) {
            auto node = makeNode(Rect(pick(200), pick(200), 1 + pick(30), 1 + pick(30)));
            // Ranks of their own: items of equal rank are ordered by when they were last added,
            // which a re-added item changes.
            if (pick(4) == 0) node->setZIndex(1000000 + presetRanks_++);
            d_.addItem(node);
        } else if (kind == 1 || (kind == 3 && d_.links().empty())) {
            d_.addItem(makeLink(anyNode(), anyNode()));
        } else if (kind == 2) {
            d_.removeItem(anyNode());
        } else if (kind == 3) {
            d_.removeItem(d_.links()[pick(d_.links().size())]);
        } else {
            std::vector<std::shared_ptr<DiagramItem>> moved{anyNode(), anyNode()};
            d_.startCompositeOperation();
            d_.recordItemStates(moved);
            for (const auto& item : moved) {
                auto node = std::static_pointer_cast<DiagramNode>(item);
                const Rect b = node->bounds();
                node->setBounds(Rect(b.x + pick(9), b.y - pick(9), b.width, b.height));
                node->setText(std::to_string(pick(1000)));
            }
            d_.commitCompositeOperation();
        }
    }
    void compositeStep() {
        d_.startCompositeOperation();
        for (std::size_t i = 0, n = 1 + pick(4); i < n; ++i) {
            if (pick(4) == 0) {
                compositeStep();
            } else {
                simpleStep();
            }
        }
        d_.commitCompositeOperation();
    }
    void step() {
        const std::size_t kind = pick(10);
        if (kind == 0 && d_.canUndo()) {
            d_.undo();
        } else if (kind == 1 && d_.canRedo()) {
            d_.redo();
        } else if (kind < 4) {
            compositeStep();
        } else {
            simpleStep();
        }
    }

private:
    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    std::shared_ptr<DiagramNode> anyNode() { return d_.nodes()[pick(d_.nodes().size())]; }

    Diagram& d_;
    std::mt19937 random_;
    int presetRanks_ = 0;
};

}  // namespace

TEST(UndoHistory, RandomEditsUndoneToTheStartAndRedoneToTheEnd) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        auto d = makeDiagram();
        RandomEditor editor(*d, seed);
        for (int i = 0; i < 12; ++i)
            editor.simpleStep();
        d->setUndoEnabled(true);
        const auto first = snapshotOf(*d);

        for (int i = 0; i < 1000; ++i)
            editor.step();
        if (d->canRedo()) editor.simpleStep();  // the last document ends the history
        const auto last = snapshotOf(*d);

        while (d->canUndo())
            d->undo();
        EXPECT_EQ(snapshotOf(*d), first);
        while (d->canRedo())
            d->redo();
        EXPECT_EQ(snapshotOf(*d), last);
    }
}
