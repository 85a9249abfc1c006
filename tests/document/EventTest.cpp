#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Nodeloom/document/ContextMenuEventArgs.h"
#include "Nodeloom/document/EditNodeTextEventArgs.h"
#include "Nodeloom/document/Event.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/document/NodeEventArgs.h"
#include "Nodeloom/document/RepaintEventArgs.h"
#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;

namespace {

struct Sender : Object {};

// A reference of the argument's declared type that shares ownership with `owner`: it lets a test
// see whether the arguments keep what they name alive without building a whole item.
template <typename T>
std::shared_ptr<T> sharing(const std::shared_ptr<int>& owner) {
    return std::shared_ptr<T>(owner, static_cast<T*>(nullptr));
}

}  // namespace

TEST(Event, IndexesCountUpAndStayValidAfterAnEntryIsSilenced) {
    Event<RepaintEventArgs> event;
    EXPECT_EQ(event.add([](Object&, RepaintEventArgs&) {}), 0);
    EXPECT_EQ(
        event += [](Object&, RepaintEventArgs&) {}, 1);
    event.handlers()[0] = [](Object&, RepaintEventArgs&) {};
    EXPECT_EQ(
        event += [](Object&, RepaintEventArgs&) {}, 2);
}

TEST(Event, RaisesInOrderWithTheSenderAndOnlyOverTheListOfThatMoment) {
    Event<RepaintEventArgs> event;
    Sender sender;
    std::vector<int> calls;
    event += [&](Object& s, RepaintEventArgs&) {
        EXPECT_EQ(&s, &sender);
        calls.push_back(1);
        // Subscribing during a raise does not extend that raise.
        event += [&](Object&, RepaintEventArgs&) { calls.push_back(9); };
    };
    event += [&](Object&, RepaintEventArgs&) { calls.push_back(2); };
    RepaintEventArgs args(std::nullopt);
    event.raise(sender, args);
    EXPECT_EQ(calls, (std::vector<int>{1, 2}));
    calls.clear();
    event.raise(sender, args);
    EXPECT_EQ(calls, (std::vector<int>{1, 2, 9}));
}

TEST(Event, ValidationFlagsReadBackAfterTheLastHandler) {
    Event<NodeValidationEventArgs> deleting;
    Sender sender;
    deleting += [](Object&, NodeValidationEventArgs& a) {
        a.setCancel(true);
        a.cancelDrag();
    };
    bool sawCancel = false;
    deleting += [&](Object&, NodeValidationEventArgs& a) {
        sawCancel = a.cancel();
        a.setCancel(false);  // the last value written counts
    };
    NodeValidationEventArgs args(nullptr);
    deleting.raise(sender, args);
    EXPECT_TRUE(sawCancel);
    EXPECT_FALSE(args.cancel());
    EXPECT_TRUE(args._cancelDrag());  // nothing can take a cancelled drag back
}

TEST(EventArgs, LinkValidationWithoutANodeHasNoAnchorOrRow) {
    LinkValidationEventArgs link(nullptr);
    EXPECT_EQ(link.adjustmentHandle(), -1);
    EXPECT_EQ(link.anchorIndex(), -1);
    EXPECT_EQ(link.tableRow(), -1);
    RepaintEventArgs whole(std::nullopt);
    EXPECT_FALSE(whole.invalidRect().has_value());
    ASSERT_TRUE(link.node());
    EXPECT_FALSE(link.node()->isRealNode());
    EXPECT_FALSE(link.changingOrigin());
    EXPECT_FALSE(link.changingDestination());
    EXPECT_EQ(link.origin(), nullptr);
}

TEST(EventArgs, LinkValidationNamesTheEndsTheChangeWouldGive) {
    auto a = std::make_shared<DiagramNode>(), b = std::make_shared<DiagramNode>();
    auto target = std::make_shared<DiagramNode>();
    auto l = std::make_shared<DiagramLink>();
    l->setControlPoints({Point(0, 0), Point(10, 0), Point(20, 0)});
    l->setOriginConnection(a->createConnectionPoint(l, l->startPoint(), false));
    l->setDestinationConnection(b->createConnectionPoint(l, l->endPoint(), true));

    LinkValidationEventArgs untouched(l);
    EXPECT_EQ(untouched.origin(), a);
    EXPECT_EQ(untouched.destination(), b);

    LinkValidationEventArgs head(l, Point(20, 0), 2, target, -1, -1);
    EXPECT_FALSE(head.changingOrigin());
    EXPECT_TRUE(head.changingDestination());
    EXPECT_EQ(head.origin(), a);
    EXPECT_EQ(head.destination(), target);

    LinkValidationEventArgs tail(l, Point(0, 0), 0, target, -1, -1);
    EXPECT_TRUE(tail.changingOrigin());
    EXPECT_EQ(tail.origin(), target);
    EXPECT_EQ(tail.destination(), b);
}

TEST(EventArgs, KeepTheNodeOrLinkTheyNameAlive) {
    auto owner = std::make_shared<int>(0);
    std::weak_ptr<int> watch = owner;
    NodeEventArgs nodeArgs(sharing<DiagramNode>(owner));
    LinkEventArgs linkArgs(sharing<DiagramLink>(owner));
    EditNodeTextEventArgs textArgs(sharing<DiagramNode>(owner), "a", "b");
    ContextMenuEventArgs menuArgs(nullptr, sharing<DiagramItem>(owner), Point());
    owner.reset();
    EXPECT_FALSE(watch.expired());
    nodeArgs.setNode(nullptr);
    linkArgs.setLink(nullptr);
    textArgs.setNode(nullptr);
    menuArgs.setItem(nullptr);
    EXPECT_TRUE(watch.expired());
}
