#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/document/AddItemCommand.h"
#include "Nodeloom/document/ChangeItemCommand.h"
#include "Nodeloom/document/Command.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/ScrollNodeCommand.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/items/Scrollable.h"
#include "tests/UndoTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Writes "<tag>.execute", "<tag>.undo" and "<tag>.redo" into a shared log.
class LogCommand : public Command {
public:
    LogCommand(Diagram& d, std::string tag, std::vector<std::string>& log)
        : Command(d.shared_from_this()), tag_(std::move(tag)), log_(log) {}
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

// Deletes the chosen item, with events as a host would, at the first repaint that finds it in
// the document; from then on it does nothing.
struct DeleteOnRepaint {
    DeleteOnRepaint(Diagram& d, std::shared_ptr<DiagramItem>& victim) {
        d.repaint() += [&d, &victim](Object&, RepaintEventArgs&) {
            if (!victim || !d.contains(*victim)) return;
            const std::shared_ptr<DiagramItem> item = std::move(victim);
            d.removeItem(item);
        };
    }
};

std::size_t steps(const Diagram& d) {
    return d.undoManager() ? d.undoManager()->undoHistory().size() : 0;
}

}  // namespace

TEST(Undo, OffUntilEnabledThenAddingAndRemovingAreSteps) {
    auto d = makeDiagram();
    RepaintCounter repaints(*d);
    d->undo();
    std::vector<std::string> log;
    d->executeCommand(std::make_shared<LogCommand>(*d, "c", log));
    EXPECT_EQ(repaints.count, 0);
    EXPECT_TRUE(log.empty());

    d->setUndoEnabled(true);
    auto node = makeNode();
    d->addItem(node);
    d->undo();
    EXPECT_TRUE(d->items().empty());
    EXPECT_FALSE(d->canUndo());
    EXPECT_TRUE(d->canRedo());
    d->redo();
    EXPECT_EQ(d->nodes(), std::vector<std::shared_ptr<DiagramNode>>{node});

    // Removing a node with two links is one step that brings all three back.
    auto a = makeNode(), b = makeNode();
    d->addItem(a);
    d->addItem(b);
    d->addItem(makeLink(node, a));
    d->addItem(makeLink(b, node));
    const auto before = snapshotOf(*d);
    d->removeItem(node);
    EXPECT_TRUE(d->links().empty());
    d->undo();
    EXPECT_EQ(snapshotOf(*d), before);
}

TEST(Undo, RecordingDropsTheRedoTail) {
    auto d = makeDiagram(true);
    std::vector<std::string> log;
    auto first = std::make_shared<LogCommand>(*d, "1", log);
    auto third = std::make_shared<LogCommand>(*d, "3", log);
    d->executeCommand(first);
    d->executeCommand(std::make_shared<LogCommand>(*d, "2", log));
    d->undo();
    d->executeCommand(third);
    EXPECT_EQ(d->undoManager()->undoHistory(),
              (std::vector<std::shared_ptr<Command>>{first, third}));
    EXPECT_EQ(d->undoManager()->undoIndex(), 1);
    EXPECT_FALSE(d->canRedo());
}

TEST(Undo, CompositeOperationsNestAndCommitOrCancelAsOne) {
    auto d = makeDiagram(true);
    std::vector<std::string> log;
    d->startCompositeOperation();
    d->startCompositeOperation();
    d->executeCommand(std::make_shared<LogCommand>(*d, "a", log));
    d->addItem(makeNode());  // joins the open composite
    d->commitCompositeOperation();
    EXPECT_EQ(steps(*d), 0u);
    d->executeCommand(std::make_shared<LogCommand>(*d, "b", log));
    d->commitCompositeOperation();
    ASSERT_EQ(steps(*d), 1u);
    log.clear();
    d->undo();
    EXPECT_TRUE(d->nodes().empty());
    d->redo();
    EXPECT_EQ(log, (std::vector<std::string>{"b.undo", "a.undo", "a.redo", "b.redo"}));

    // An inner cancel drops nothing; an outer cancel drops the composite, not its changes.
    d->startCompositeOperation();
    d->startCompositeOperation();
    d->executeCommand(std::make_shared<LogCommand>(*d, "c", log));
    d->cancelCompositeOperation();
    d->commitCompositeOperation();
    EXPECT_EQ(steps(*d), 2u);
    d->startCompositeOperation();
    d->addItem(makeNode());
    d->cancelCompositeOperation();
    EXPECT_EQ(steps(*d), 2u);
    EXPECT_EQ(d->nodes().size(), 2u);
}

TEST(Undo, ItemStatesAreSwappedAnyNumberOfTimes) {
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

    d->recordAllItemStates();  // opens the composite; the caller commits
    a->setBounds(Rect(50, 50, 1, 1));
    b->setBounds(Rect(60, 60, 1, 1));
    d->commitCompositeOperation();
    d->undo();
    EXPECT_EQ(a->bounds(), Rect(5, 5, 10, 10));
    EXPECT_EQ(b->bounds(), Rect(20, 0, 10, 10));
}

TEST(Undo, ScrollCommandReadsTheFinalPositionWhenExecuted) {
    auto d = makeDiagram(true);
    auto rows = std::make_shared<Rows>();
    rows->pos = 2;
    auto command = std::make_shared<ScrollNodeCommand>(d, rows, rows->pos);
    rows->pos = 7;
    d->executeCommand(command);
    d->undo();
    EXPECT_EQ(rows->pos, 2);
    d->redo();
    EXPECT_EQ(rows->pos, 7);
    rows.reset();  // a node that is gone is not scrolled
    d->undo();
}

// Undo and redo never write history while they run, and what they change beyond the step
// itself comes back with the step.
// A node with many links, in and out, a loop on itself and links whose other ends hold more:
// undoing its removal puts every link back in its place in the document and in the node's own
// lists, after every undo and redo, with gaps left in the lists by earlier removals, and with a
// handler that deletes a link as the document repaints.
TEST(Undo, RemovingANodeWithManyLinksComesBackInOrder) {
    for (const bool deleting : {false, true}) {
        auto d = makeDiagram(true);
        auto hub = makeNode();
        std::vector<std::shared_ptr<DiagramNode>> others;
        d->addItem(hub);
        for (int i = 0; i < 8; ++i) {
            others.push_back(makeNode());
            d->addItem(others.back());
        }
        std::vector<std::shared_ptr<DiagramLink>> spare;
        for (int i = 0; i < 120; ++i) {
            const auto& other = others[static_cast<std::size_t>(i) % others.size()];
            if (i % 5 == 4) spare.push_back(makeLink(other, others[0]));
            d->addItem(i % 5 == 4 ? spare.back()
                       : i % 3 == 0 ? makeLink(other, hub)
                       : i == 7     ? makeLink(hub, hub)
                                    : makeLink(hub, other));
        }
        for (std::size_t i = 0; i < spare.size(); i += 2)
            d->removeItem(spare[i]);
        // The document's links and the node's own lists. The other nodes take a link back at
        // the end of theirs, and the node's loop on itself comes back in both of its lists at
        // once, where the incoming list has it.
        const auto order = [&d, &hub] {
            std::vector<std::vector<const DiagramLink*>> lists(3);
            for (const auto& link : d->links())
                lists[0].push_back(link.get());
            for (const auto& link : hub->incomingLinks())
                lists[1].push_back(link.get());
            for (const auto& link : hub->outgoingLinks())
                if (link->destination() != hub) lists[2].push_back(link.get());
            return lists;
        };
        const auto before = order();
        const auto whole = snapshotOf(*d);

        d->removeItem(hub);
        const auto without = order();
        d->undo();
        EXPECT_EQ(order(), before);
        d->redo();
        EXPECT_EQ(order(), without);
        if (!deleting) {
            d->undo();
            EXPECT_EQ(order(), before);
            EXPECT_EQ(snapshotOf(*d), whole);
            continue;
        }
        d->undo();
        std::shared_ptr<DiagramItem> victim = hub->outgoingLinks()[10];
        const DiagramItem* deleted = victim.get();
        d->redo();
        const DeleteOnRepaint handler(*d, victim);
        d->undo();
        EXPECT_FALSE(victim);
        EXPECT_EQ(d->links().size(), before.front().size() - 1);
        for (const auto& link : d->links()) {
            EXPECT_NE(link.get(), deleted);
            const auto& out = link->origin()->outgoingLinks();
            const auto& in = link->destination()->incomingLinks();
            EXPECT_TRUE(d->contains(*link->origin()) && d->contains(*link->destination()));
            EXPECT_EQ(std::count(out.begin(), out.end(), link), 1);
            EXPECT_EQ(std::count(in.begin(), in.end(), link), 1);
        }
    }
}

TEST(Undo, UndoingANodeWhoseLinksWereNotRecordedKeepsTheHistoryAndRedoBringsThemBack) {
    auto d = makeDiagram(true);
    auto a = makeNode(), b = makeNode();
    d->addItem(a);
    d->addItem(b);
    d->addLinkInternal(makeLink(a, b), true);
    d->addLinkInternal(makeLink(b, a), true);
    const auto withLinks = snapshotOf(*d);

    d->undo();
    EXPECT_TRUE(d->links().empty());
    EXPECT_TRUE(a->outgoingLinks().empty());
    EXPECT_EQ(steps(*d), 2u);
    EXPECT_EQ(d->undoManager()->undoIndex(), 0);
    d->redo();
    EXPECT_EQ(snapshotOf(*d), withLinks);
}

TEST(Undo, LinksComeBackWithTheShapeTheyHad) {
    auto d = makeDiagram(true);
    auto a = makeNode(Rect(0, 0, 10, 10)), b = makeNode(Rect(50, 0, 10, 10));
    d->addItem(a);
    d->addItem(b);
    auto link = makeLink(a, b);
    d->addLinkInternal(link, true);
    const std::vector<Point> bent{Point(5, 5), Point(5, 40), Point(55, 40), Point(55, 5)};
    link->setControlPoints(bent);  // shaped by hand after it was added

    d->removeItem(link);
    d->undo();
    EXPECT_EQ(link->controlPoints(), bent);
    d->removeItem(b);
    d->undo();
    d->undo();  // b's addition: the link goes with it, unrecorded
    d->redo();
    EXPECT_EQ(link->controlPoints(), bent);

    auto added = makeLink(a, b);
    d->addItem(added);
    added->setControlPoints(bent);
    d->undo();
    d->redo();
    EXPECT_EQ(added->controlPoints(), bent);
}

// A commit or cancel with no composite open is ignored, so that it cannot stop all later
// recording; canUndo and canRedo follow every manager that is installed or dropped.
TEST(Undo, ManagerStateStaysSound) {
    auto d = makeDiagram(true);
    d->commitCompositeOperation();
    d->cancelCompositeOperation();
    d->startCompositeOperation();
    d->addItem(makeNode());
    d->commitCompositeOperation();
    d->addItem(makeNode());
    EXPECT_EQ(steps(*d), 2u);

    const auto manager = d->undoManager();
    d->setUndoEnabled(true);  // the value it has: the history stays
    EXPECT_EQ(d->undoManager(), manager);
    d->setUndoEnabled(false);
    EXPECT_FALSE(d->canUndo());
    d->setUndoManager(manager);
    EXPECT_TRUE(d->canUndo());
    d->clear();
    EXPECT_FALSE(d->canUndo());
    EXPECT_EQ(steps(*d), 0u);
}

TEST(Undo, CommandsOnlyUndoWhatTheyDid) {
    auto d = makeDiagram(true);
    auto inside = makeNode();
    d->addItem(inside);
    d->addItem(inside);  // in the document already: no step
    EXPECT_EQ(steps(*d), 1u);
    d->executeCommand(std::make_shared<AddItemCommand>(d, inside));
    d->undo();
    EXPECT_EQ(d->nodes(), std::vector<std::shared_ptr<DiagramNode>>{inside});

    auto stranger = makeNode();
    d->removeItem(stranger);
    d->undo();  // the removal of an item from elsewhere does not bring it in
    EXPECT_EQ(d->nodes(), std::vector<std::shared_ptr<DiagramNode>>{inside});

    ChangeItemCommand(d, nullptr, nullptr).undo();
    d->executeCommand(nullptr);
}

// A node can leave without a record (a handler that deletes it while an undo runs): a link put
// back on it would dangle outside the document and be dropped by the next load.
TEST(Undo, ALinkIsNotPutBackOnANodeThatLeftTheDocument) {
    auto d = makeDiagram(true);
    auto a = makeNode(), b = makeNode(Rect(40, 0, 20, 10)), c = makeNode(Rect(80, 0, 20, 10));
    for (const auto& n : {a, b, c}) d->addItem(n);

    auto removed = makeLink(a, b);
    d->addItem(removed);
    d->removeItem(removed);
    d->removeItemInternal(a);
    d->undo();
    EXPECT_FALSE(d->contains(*removed));
    EXPECT_TRUE(b->incomingLinks().empty());

    auto added = makeLink(b, c);
    d->addItem(added);
    d->undo();
    d->removeItemInternal(c);
    d->redo();
    EXPECT_FALSE(d->contains(*added));
    EXPECT_TRUE(b->outgoingLinks().empty());
    EXPECT_TRUE(d->links().empty());
}

// A handler that deletes a link's end node whenever the document repaints, deep inside an
// addition, an undo or a redo, finds the link entered on that node, so the link leaves with it.
TEST(Undo, AHandlerThatDeletesALinksEndMidChangeLeavesNoLinkDangling) {
    enum Path { adding, undoingARemoval, redoingAnAddition, undoingANodesRemoval };
    for (const Path path : {adding, undoingARemoval, redoingAnAddition, undoingANodesRemoval}) {
        SCOPED_TRACE(path);
        auto d = makeDiagram(true);
        auto a = makeNode(), b = makeNode(Rect(40, 0, 20, 10));
        d->addItem(a);
        d->addItem(b);
        auto link = makeLink(a, b);
        std::shared_ptr<DiagramItem> victim;
        DeleteOnRepaint handler(*d, victim);
        if (path != adding) d->addItem(link);
        if (path == undoingARemoval) d->removeItem(link);
        if (path == redoingAnAddition) d->undo();
        if (path == undoingANodesRemoval) d->removeItem(a);

        victim = path == undoingANodesRemoval ? b : a;
        if (path == adding) d->addItem(link);
        if (path == undoingARemoval || path == undoingANodesRemoval) d->undo();
        if (path == redoingAnAddition) d->redo();
        EXPECT_FALSE(victim) << "the handler ran";
        EXPECT_TRUE(whole(*d));
        EXPECT_FALSE(d->contains(*link));
        EXPECT_EQ(d->saveToXmlString().find("Id=\"-1\""), std::string::npos);

        // Every step of the history can still be walked both ways without leaving a link loose.
        while (d->canUndo()) {
            d->undo();
            EXPECT_TRUE(whole(*d));
        }
        while (d->canRedo()) {
            d->redo();
            EXPECT_TRUE(whole(*d));
        }
    }
}

// A handler that clears or reloads the whole document while a container leaves it, or while an
// undo puts one back, leaves a document whose links and members are all in it.
TEST(Undo, AHandlerThatReplacesTheDocumentMidChangeLeavesItWhole) {
    for (const bool reload : {false, true}) {
        for (const bool undoing : {false, true}) {
            SCOPED_TRACE(std::string(reload ? "reload" : "clear") +
                         (undoing ? " undo" : " remove"));
            auto d = makeDiagram(true);
            auto a = std::make_shared<ContainerNode>();
            a->_setBounds(Rect(0, 0, 30, 30));
            auto b = makeNode(Rect(40, 0, 20, 10)), c = makeNode(Rect(5, 5, 5, 5));
            for (const auto& n : {std::shared_ptr<DiagramNode>(a), b, c})
                d->addItem(n);
            a->add(c);
            d->addItem(makeLink(a, b));
            d->addItem(makeLink(b, a));
            d->addItem(makeLink(c, b));
            Replacement replace(*d, reload);
            if (undoing) d->removeItem(a);
            d->repaint() += [&](Object&, RepaintEventArgs&) { replace(); };
            if (undoing)
                d->undo();
            else
                d->removeItem(a);
            EXPECT_FALSE(replace.armed);
            EXPECT_TRUE(whole(*d));
            d->undo();
            d->redo();
            EXPECT_TRUE(whole(*d));
        }
    }
}

// A deleting handler that takes the item out itself, or empties the document, leaves nothing for
// the delete action to do: no empty step follows and no deleted event reports it a second time.
TEST(Undo, ADeletingHandlerThatTakesTheItemOutLeavesNoStepBehind) {
    for (const bool clearing : {false, true}) {
        SCOPED_TRACE(clearing);
        auto d = makeDiagram(true);
        auto a = makeNode(), b = makeNode(Rect(40, 0, 20, 10));
        d->addItem(a);
        d->addItem(b);
        d->addItem(makeLink(a, b));
        int deleted = 0;
        d->nodeDeleting() += [&](Object&, NodeValidationEventArgs& e) {
            if (clearing)
                d->clear();
            else
                d->removeItem(e.node());
        };
        d->nodeDeleted() += [&](Object&, NodeEventArgs&) { ++deleted; };
        const std::size_t before = steps(*d);
        Diagram::deleteItemWithEvents(a);
        EXPECT_EQ(deleted, 0);
        EXPECT_EQ(steps(*d), clearing ? 0u : before + 1);
        EXPECT_TRUE(whole(*d));
        if (!clearing) {
            d->undo();
            EXPECT_TRUE(d->contains(*a));
            EXPECT_EQ(d->links().size(), 1u);
        }
    }
}

// A repaint handler that adds a node while a step's own node goes in changes the document after
// that node: undoing and redoing the step, or the whole history, puts every node back in its
// place.
TEST(Undo, AHandlersAdditionMidStepIsReplayedInTheOrderItWasMade) {
    auto d = makeDiagram(true);
    auto a = makeNode(), b = makeNode(Rect(40, 0, 20, 10)), c = makeNode(Rect(80, 0, 20, 10));
    d->addItem(a);
    bool armed = true;
    d->repaint() += [&](Object&, RepaintEventArgs&) {
        if (!armed) return;
        armed = false;
        d->addItem(c);
    };
    d->addItem(b);
    ASSERT_FALSE(armed);
    const std::vector<std::shared_ptr<DiagramNode>> after{a, b, c};
    ASSERT_EQ(d->nodes(), after);
    d->undo();
    EXPECT_EQ(d->nodes().size(), 1u);
    d->redo();
    EXPECT_EQ(d->nodes(), after);
    while (d->canUndo()) d->undo();
    while (d->canRedo()) d->redo();
    EXPECT_EQ(d->nodes(), after);
}
