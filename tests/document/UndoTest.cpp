#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/document/AddItemCommand.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/Command.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/RemoveItemCommand.h"
#include "Nodeloom/document/ScrollNodeCommand.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/view/Scrollable.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Writes "<name>.execute", "<name>.undo" and "<name>.redo" into a shared log.
class LogCommand : public Command {
public:
    LogCommand(Diagram* d, std::string tag, std::vector<std::string>& log)
        : Command(d), tag_(std::move(tag)), log_(log) {}
    void execute() override { log_.push_back(tag_ + ".execute"); }
    void undo() override { log_.push_back(tag_ + ".undo"); }
    void redo() override { log_.push_back(tag_ + ".redo"); }

private:
    std::string tag_;
    std::vector<std::string>& log_;
};

class Rows : public Scrollable {
public:
    double getMaxScrollPos() override { return 10; }
    double getCurrentScrollPos() override { return pos; }
    void setCurrentScrollPos(double p) override { pos = p; }
    double getCaptionHeight() override { return 0; }
    bool integralScrollMode() override { return true; }
    double getHeightOfCompletelyVisibleItems() override { return 0; }
    int getNumberOfLastVisibleItems() override { return 1; }
    int getItemsNumber() override { return 10; }
    double pos = 0;
};

std::size_t historySize(const Diagram& d) {
    return d.undoManager() ? d.undoManager()->undoHistory().size() : 0;
}

}  // namespace

TEST(Undo, OffUntilEnabledAndThenAddingAndRemovingAreSteps) {
    auto d = makeDiagram();
    RepaintCounter repaints(*d);
    d->undo();
    d->redo();
    EXPECT_EQ(repaints.count, 0);
    std::vector<std::string> log;
    d->executeCommand(std::make_shared<LogCommand>(d.get(), "c", log));
    EXPECT_TRUE(log.empty());

    d->setUndoEnabled(true);
    auto node = makeNode();
    d->addItem(node);
    EXPECT_TRUE(d->canUndo());
    EXPECT_FALSE(d->canRedo());
    d->undo();
    EXPECT_TRUE(d->nodes().empty());
    EXPECT_TRUE(d->items().empty());
    EXPECT_FALSE(d->canUndo());
    EXPECT_TRUE(d->canRedo());
    d->redo();
    EXPECT_EQ(d->nodes(), std::vector<std::shared_ptr<DiagramNode>>{node});
    EXPECT_EQ(d->items().size(), 1u);

    // Removing a node with two links is one step that brings all three back.
    auto a = makeNode(), b = makeNode();
    d->addItem(a);
    d->addItem(b);
    auto na = makeLink(node, a), bn = makeLink(b, node);
    d->addItem(na);
    d->addItem(bn);
    const auto before = snapshotOf(*d);
    const std::size_t steps = historySize(*d);
    d->removeItem(node);
    EXPECT_EQ(historySize(*d), steps + 1);
    EXPECT_TRUE(d->links().empty());
    d->undo();
    EXPECT_EQ(snapshotOf(*d), before);
    d->redo();
    EXPECT_TRUE(d->links().empty());
    EXPECT_EQ(d->nodes().size(), 2u);
}

TEST(Undo, RecordingDropsTheRedoTailAndSwitchingKeepsOrDropsTheHistory) {
    auto d = makeDiagram(true);
    std::vector<std::string> log;
    auto first = std::make_shared<LogCommand>(d.get(), "1", log);
    auto third = std::make_shared<LogCommand>(d.get(), "3", log);
    d->executeCommand(first);
    d->executeCommand(std::make_shared<LogCommand>(d.get(), "2", log));
    d->undo();
    d->executeCommand(third);
    const auto& manager = *d->undoManager();
    EXPECT_EQ(manager.undoHistory(), (std::vector<std::shared_ptr<Command>>{first, third}));
    EXPECT_EQ(manager.undoIndex(), 1);
    EXPECT_FALSE(d->canRedo());
    EXPECT_EQ(log, (std::vector<std::string>{"1.execute", "2.execute", "2.undo", "3.execute"}));

    d->setUndoEnabled(true);  // the value it has: the history stays
    EXPECT_EQ(historySize(*d), 2u);
    d->setUndoEnabled(false);
    EXPECT_FALSE(d->canUndo());
    d->setUndoEnabled(true);
    EXPECT_EQ(historySize(*d), 0u);
    EXPECT_FALSE(d->canUndo());
}

TEST(Undo, CompositeOperationsNestAndCommitOrCancelAsOne) {
    auto d = makeDiagram(true);
    std::vector<std::string> log;
    d->startCompositeOperation();
    d->startCompositeOperation();
    d->executeCommand(std::make_shared<LogCommand>(d.get(), "a", log));
    d->addItem(makeNode());
    d->commitCompositeOperation();
    EXPECT_EQ(historySize(*d), 0u);
    EXPECT_FALSE(d->canUndo());
    d->executeCommand(std::make_shared<LogCommand>(d.get(), "b", log));
    d->commitCompositeOperation();
    ASSERT_EQ(historySize(*d), 1u);
    EXPECT_TRUE(d->canUndo());
    auto composite =
        std::dynamic_pointer_cast<CompositeCommand>(d->undoManager()->undoHistory()[0]);
    ASSERT_NE(composite, nullptr);
    ASSERT_EQ(composite->commands().size(), 3u);
    EXPECT_EQ(composite->commands()[1]->name(), "AddItemCommand");  // joined the open composite
    log.clear();
    d->undo();
    EXPECT_EQ(log, (std::vector<std::string>{"b.undo", "a.undo"}));
    EXPECT_TRUE(d->nodes().empty());
    d->redo();
    EXPECT_EQ(log, (std::vector<std::string>{"b.undo", "a.undo", "a.redo", "b.redo"}));

    // An inner cancel drops nothing; an outer cancel drops the composite but keeps its changes.
    d->startCompositeOperation();
    d->startCompositeOperation();
    d->executeCommand(std::make_shared<LogCommand>(d.get(), "c", log));
    d->cancelCompositeOperation();
    d->commitCompositeOperation();
    EXPECT_EQ(historySize(*d), 2u);
    d->startCompositeOperation();
    auto kept = makeNode();
    d->addItem(kept);
    d->cancelCompositeOperation();
    EXPECT_EQ(historySize(*d), 2u);
    EXPECT_EQ(d->nodes().back(), kept);

    // A composite without commands is a step that does nothing.
    d->startCompositeOperation();
    d->commitCompositeOperation();
    EXPECT_EQ(historySize(*d), 3u);
    const auto before = snapshotOf(*d);
    d->undo();
    d->redo();
    EXPECT_EQ(snapshotOf(*d), before);
}

TEST(Undo, ItemStatesAreRestoredAndSwappedAnyNumberOfTimes) {
    auto d = makeDiagram(true);
    auto a = makeNode(Rect(0, 0, 10, 10)), b = makeNode(Rect(20, 0, 10, 10));
    d->addItem(a);
    d->addItem(b);

    d->startCompositeOperation();
    d->recordItemStates({a, b, nullptr});
    a->setBounds(Rect(5, 5, 10, 10));
    b->setText("moved");
    d->commitCompositeOperation();
    for (int i = 0; i < 3; ++i) {
        d->undo();
        EXPECT_EQ(a->bounds(), Rect(0, 0, 10, 10));
        EXPECT_EQ(b->text(), "");
        d->redo();
    }
    EXPECT_EQ(a->bounds(), Rect(5, 5, 10, 10));
    EXPECT_EQ(b->text(), "moved");

    // Without an open composite each state is a step of its own.
    d->recordItemStates({a});
    a->setText("x");
    EXPECT_EQ(historySize(*d), 4u);
    d->undo();
    EXPECT_EQ(a->text(), "");

    // All states at once; the caller commits.
    d->recordAllItemStates();
    EXPECT_EQ(d->undoManager()->currentComposite()->commands().size(), 2u);
    a->setBounds(Rect(50, 50, 1, 1));
    b->setBounds(Rect(60, 60, 1, 1));
    d->commitCompositeOperation();
    d->undo();
    EXPECT_EQ(a->bounds(), Rect(5, 5, 10, 10));
    EXPECT_EQ(b->bounds(), Rect(20, 0, 10, 10));
    d->arrange(nullptr);  // no layout, no step
    EXPECT_TRUE(d->canRedo());
}

TEST(Undo, ScrollCommandReadsTheFinalPositionWhenExecuted) {
    auto d = makeDiagram(true);
    auto rows = std::make_shared<Rows>();
    rows->pos = 2;
    auto command = std::make_shared<ScrollNodeCommand>(d.get(), rows, rows->pos);
    rows->pos = 7;
    d->executeCommand(command);
    EXPECT_EQ(command->newPos(), 7);
    d->undo();
    EXPECT_EQ(rows->pos, 2);
    d->redo();
    EXPECT_EQ(rows->pos, 7);
    rows.reset();  // a node that is gone is not scrolled
    d->undo();
}

// Undo and redo never write history while they run, and what they change beyond the step
// itself comes back with the step.
TEST(Undo, UndoingANodeWhoseLinksWereNotRecordedKeepsTheHistoryAndRedoBringsThemBack) {
    auto d = makeDiagram(true);
    auto a = makeNode(), b = makeNode();
    d->addItem(a);
    d->addItem(b);
    auto ab = makeLink(a, b), ba = makeLink(b, a);
    d->addLinkInternal(ab, true);
    d->addLinkInternal(ba, true);
    const auto withLinks = snapshotOf(*d);
    ASSERT_EQ(historySize(*d), 2u);

    d->undo();
    EXPECT_TRUE(d->links().empty());
    EXPECT_TRUE(a->outgoingLinks().empty());
    EXPECT_EQ(historySize(*d), 2u);
    EXPECT_EQ(d->undoManager()->undoIndex(), 0);
    EXPECT_TRUE(d->canRedo());

    d->redo();
    EXPECT_EQ(snapshotOf(*d), withLinks);
    d->undo();
    d->undo();
    d->redo();
    d->redo();
    EXPECT_EQ(snapshotOf(*d), withLinks);
}

TEST(Undo, LinksComeBackWithTheShapeTheyHad) {
    auto d = makeDiagram(true);
    auto a = makeNode(Rect(0, 0, 10, 10)), b = makeNode(Rect(50, 0, 10, 10));
    d->addItem(a);
    d->addItem(b);
    auto link = makeLink(a, b);
    const std::vector<Point> bent{Point(5, 5), Point(5, 40), Point(55, 40), Point(55, 5)};
    link->setControlPoints(bent);
    d->addLinkInternal(link, true);
    link->setControlPoints(bent);  // shaped by hand after it was added

    d->removeItem(link);
    d->undo();
    EXPECT_EQ(link->controlPoints(), bent);
    d->redo();
    d->undo();
    EXPECT_EQ(link->controlPoints(), bent);

    // Removed with its node, and brought back by redoing the node's addition.
    d->removeItem(b);
    d->undo();
    EXPECT_EQ(link->controlPoints(), bent);
    d->undo();  // b's addition: the link goes with it, unrecorded
    d->redo();
    EXPECT_EQ(link->controlPoints(), bent);
    EXPECT_EQ(d->links(), std::vector<std::shared_ptr<DiagramLink>>{link});
}

TEST(Undo, UnmatchedCommitOrCancelIsIgnored) {
    auto d = makeDiagram(true);
    d->commitCompositeOperation();
    d->cancelCompositeOperation();
    EXPECT_EQ(d->undoManager()->startCompositeCounter(), 0);
    d->startCompositeOperation();
    d->addItem(makeNode());
    d->commitCompositeOperation();
    EXPECT_EQ(historySize(*d), 1u);
    EXPECT_EQ(d->undoManager()->currentComposite(), nullptr);
    d->addItem(makeNode());
    EXPECT_EQ(historySize(*d), 2u);
}

TEST(Undo, CanUndoFollowsEveryInstalledManager) {
    auto d = makeDiagram(true);
    d->addItem(makeNode());
    const auto manager = d->undoManager();
    ASSERT_TRUE(d->canUndo());
    d->setUndoEnabled(false);
    EXPECT_FALSE(d->canUndo());
    d->setUndoManager(manager);
    EXPECT_TRUE(d->canUndo());
    d->clear();
    EXPECT_FALSE(d->canUndo());
    EXPECT_FALSE(d->canRedo());
    d->setUndoManager(nullptr);
    EXPECT_FALSE(d->undoEnabled());
}

TEST(Undo, CommandsOnlyUndoWhatTheyDid) {
    auto d = makeDiagram(true);
    auto inside = makeNode();
    d->addItem(inside);

    // Adding what is there already records nothing; a hand-made command leaves it on undo.
    d->addItem(inside);
    EXPECT_EQ(historySize(*d), 1u);
    d->executeCommand(std::make_shared<AddItemCommand>(d.get(), inside));
    d->undo();
    EXPECT_EQ(d->nodes(), std::vector<std::shared_ptr<DiagramNode>>{inside});

    // Undoing the removal of an item from elsewhere does not bring it in.
    auto stranger = makeNode();
    d->removeItem(stranger);
    d->undo();
    EXPECT_EQ(d->nodes(), std::vector<std::shared_ptr<DiagramNode>>{inside});
    EXPECT_EQ(stranger->diagram(), nullptr);

    // Commands survive missing parts.
    RemoveItemCommand(nullptr, inside).execute();
    ChangeItemCommand(d.get(), nullptr, nullptr).undo();
    d->executeCommand(nullptr);
    EXPECT_EQ(d->nodes().size(), 1u);
}
