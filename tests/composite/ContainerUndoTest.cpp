#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "CompositeTestSupport.h"
#include "Nodeloom/composite/Folder.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/items/DiagramItemState.h"
#include "tests/UndoTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

using States = std::vector<std::pair<std::shared_ptr<DiagramItem>, std::shared_ptr<DiagramItemState>>>;

States save(const std::vector<std::shared_ptr<DiagramItem>>& items) {
    States states;
    for (const auto& item : items)
        states.emplace_back(item, item->saveState());
    return states;
}

}  // namespace

// The states of one step are restored in whatever order their record holds them.
TEST(ContainerUndoState, MembershipAfterRestoringIsTheSameInEveryOrder) {
    struct Case {
        const char* name;
        int before;  // the container holding the node before: 0 none, 1 or 2
        int after;
    };
    for (const Case& c : {Case{"out of", 1, 0}, Case{"into", 0, 1}, Case{"across", 1, 2}}) {
        SCOPED_TRACE(c.name);
        auto d = std::make_shared<Diagram>();
        auto first = container(d, Rect(0, 0, 100, 100));
        auto second = container(d, Rect(200, 0, 100, 100));
        auto node = shape(d, Rect(10, 20, 10, 10));
        const std::vector<std::shared_ptr<ContainerNode>> holders{nullptr, first, second};
        const auto put = [&](int holder) {
            if (node->container()) node->container()->remove(node);
            if (holder != 0) holders[static_cast<std::size_t>(holder)]->add(node);
        };
        put(c.before);
        const std::string wanted = membership(*d);
        States states = save({first, second, node});
        put(c.after);
        const std::string changed = membership(*d);
        ASSERT_NE(changed, wanted);

        std::sort(states.begin(), states.end());
        do {
            const States back = save({first, second, node});
            for (const auto& [item, state] : states)
                item->restoreState(*state);
            EXPECT_EQ(membership(*d), wanted);
            for (const auto& [item, state] : back)
                item->restoreState(*state);
            EXPECT_EQ(membership(*d), changed);
        } while (std::next_permutation(states.begin(), states.end()));
    }
}

TEST(ContainerUndoState, ARestoredChildFollowsTheContainerFromItsRestoredPlace) {
    auto d = std::make_shared<Diagram>();
    auto box = container(d, Rect(0, 0, 100, 100));
    auto node = shape(d, Rect(10, 20, 10, 10));
    box->add(node);
    const auto state = box->saveState();
    // Fitting moves the container's corner and takes the child's offset again.
    node->setBounds(Rect(-30, -40, 10, 10));
    box->resizeToFitChildren(false, std::nullopt);
    box->restoreState(*state);
    box->setBounds(Rect(5, 5, 100, 100));
    EXPECT_EQ(node->bounds(), Rect(-25, -35, 10, 10));
}

TEST(ContainerRemoval, ChildrenStayAtTheTopLevelWhereTheyStandAndUndoPutsThemBack) {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(true);
    auto outer = container(d, Rect(0, 0, 200, 200));
    auto inner = container(d, Rect(20, 20, 100, 100));
    auto a = shape(d, Rect(30, 40, 10, 10));
    auto b = shape(d, Rect(150, 150, 10, 10));
    auto outside = shape(d, Rect(300, 300, 10, 10));
    outer->add(inner);
    inner->add(a);
    outer->add(b);
    link(d, b, outside);
    link(d, outer, outside);
    const std::string before = snapshot(*d);
    const std::size_t steps = d->undoManager()->undoHistory().size();

    d->removeItem(outer);
    EXPECT_EQ(d->undoManager()->undoHistory().size(), steps + 1);
    EXPECT_FALSE(d->contains(*outer));
    EXPECT_EQ(inner->container(), nullptr);
    EXPECT_EQ(b->container(), nullptr);
    EXPECT_EQ(a->container(), inner);  // a nested container keeps its own children
    EXPECT_EQ(b->bounds(), Rect(150, 150, 10, 10));
    EXPECT_EQ(d->links().size(), 1u);
    d->updateZOrder();
    EXPECT_TRUE(b->isTopLevel());
    EXPECT_EQ(d->getNodeAt(Point(155, 155), false), b);
    const std::string removed = snapshot(*d);

    // A reload finds no child naming the removed container.
    auto builder = std::make_shared<XmlDomBuilder>();
    d->saveToXml(builder);
    auto reloaded = std::make_shared<Diagram>();
    ASSERT_TRUE(reloaded->loadFromXml(builder->root()));
    EXPECT_EQ(reloaded->nodes().size(), 4u);

    d->undo();
    EXPECT_TRUE(sameText(snapshot(*d), before)) << snapshot(*d) << "\n" << before;
    EXPECT_EQ(outer->children(), (ContainerNode::NodeList{inner, b}));
    d->redo();
    EXPECT_TRUE(sameText(snapshot(*d), removed));

    // Without undo the children are let go all the same.
    auto plain = std::make_shared<Diagram>();
    auto box = container(plain, Rect(0, 0, 100, 100));
    auto child = shape(plain, Rect(10, 20, 10, 10));
    box->add(child);
    plain->removeItem(box);
    EXPECT_EQ(child->container(), nullptr);
    EXPECT_TRUE(box->children().empty());
}

// A handler that deletes an item at the first repaint while a container and its children leave
// or come back runs only once the membership is whole again, so no member is left outside the
// document.
TEST(ContainerRemoval, AHandlerThatDeletesAnItemMidChangeLeavesNoMemberOutside) {
    for (const bool undoing : {false, true}) {
        for (const int which : {0, 1, 2}) {
            SCOPED_TRACE(std::to_string(undoing) + " " + std::to_string(which));
            auto d = std::make_shared<Diagram>();
            d->setUndoEnabled(true);
            auto outer = container(d, Rect(0, 0, 200, 200));
            auto inner = container(d, Rect(20, 20, 100, 100));
            auto a = shape(d, Rect(30, 40, 10, 10));
            auto b = shape(d, Rect(150, 150, 10, 10));
            outer->add(inner);
            inner->add(a);
            outer->add(b);
            link(d, a, b);
            if (undoing) d->removeItem(outer);
            const std::vector<std::shared_ptr<DiagramItem>> victims{inner, a, b};
            std::shared_ptr<DiagramItem> victim = victims[static_cast<std::size_t>(which)];
            d->repaint() += [&](Object&, RepaintEventArgs&) {
                if (!victim || !d->contains(*victim)) return;
                const std::shared_ptr<DiagramItem> item = std::move(victim);
                d->removeItem(item);
            };
            if (undoing)
                d->undo();
            else
                d->removeItem(outer);
            EXPECT_FALSE(victim);
            EXPECT_TRUE(whole(*d)) << membership(*d);
            while (d->canUndo()) {
                d->undo();
                EXPECT_TRUE(whole(*d)) << membership(*d);
            }
            while (d->canRedo()) {
                d->redo();
                EXPECT_TRUE(whole(*d)) << membership(*d);
            }
        }
    }
}

// A container in a document holds only the document's nodes, whether a node is added to it, the
// container is added with members, or a step brings back a member that has left since.
TEST(ContainerRemoval, NoMemberLiesOutsideTheDocumentOfItsContainer) {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(true);
    auto box = container(d, Rect(0, 0, 200, 200));
    auto stray = std::make_shared<ShapeNode>();
    stray->setBounds(Rect(10, 10, 10, 10));
    box->add(stray);
    EXPECT_TRUE(box->children().empty());
    EXPECT_EQ(stray->container(), nullptr);

    // Put together apart, a container comes in only once its members are in.
    auto loose = std::make_shared<ContainerNode>();
    loose->setBounds(Rect(300, 0, 100, 100));
    loose->add(stray);
    ASSERT_EQ(loose->children().size(), 1u);
    const std::string before = d->saveToXmlString();
    d->addItem(loose);
    EXPECT_FALSE(d->contains(*loose));
    EXPECT_EQ(d->saveToXmlString(), before);
    EXPECT_EQ(loose->children().size(), 1u);
    d->addItem(stray);
    d->addItem(loose);
    EXPECT_TRUE(d->contains(*loose));
    EXPECT_TRUE(whole(*d)) << membership(*d);

    // A step that made a member is redone after the member left without a trace.
    auto node = shape(d, Rect(20, 20, 10, 10));
    d->undoManager()->startComposite();
    d->recordItemStates({box, node});
    box->add(node);
    d->undoManager()->commitComposite();
    d->undo();
    d->removeItemInternal(node);
    d->redo();
    EXPECT_TRUE(whole(*d)) << membership(*d);
    EXPECT_EQ(node->container(), nullptr);
}

// A fold whose repaint handler empties the document or reads it anew records nothing in the
// history that follows: those steps would write into items nobody sees.
TEST(ContainerUndoState, AFoldUnderAHandlerThatReplacesTheDocumentRecordsNothingThere) {
    for (const bool reload : {false, true}) {
        SCOPED_TRACE(reload);
        auto d = std::make_shared<Diagram>();
        d->setUndoEnabled(true);
        auto box = container(d, Rect(0, 0, 100, 100));
        auto inside = shape(d, Rect(10, 30, 10, 10));
        auto outside = shape(d, Rect(200, 30, 10, 10));
        box->add(inside);
        link(d, inside, outside);
        Replacement replace(*d, reload);
        d->repaint() += [&](Object&, RepaintEventArgs&) { replace(); };
        box->folder()->onClick(Point());
        EXPECT_FALSE(replace.armed);
        EXPECT_EQ(d->undoManager()->undoHistory().size(), 0u);
        EXPECT_EQ(d->undoManager()->startCompositeCounter(), 0);
        EXPECT_TRUE(whole(*d));
    }
}
