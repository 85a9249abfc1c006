#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/items/ConnectionPoint.h"

using namespace nodeloom;
using namespace nodeloom::test;

TEST(Selection, FrameIsMadeOnceForItsDocument) {
    auto d = makeDiagram();
    const auto selection = d->selection();
    ASSERT_NE(selection, nullptr);
    EXPECT_EQ(d->selection(), selection);
    EXPECT_EQ(selection->diagram(), d);
    EXPECT_EQ(*selection->strokeColor(), *Colors::Black());
    EXPECT_EQ(selection->bounds(), Rect());
    selection->setBounds(Rect(1, std::numeric_limits<double>::quiet_NaN(), 2, 2));
    selection->setStrokeColor(nullptr);
    EXPECT_EQ(selection->bounds(), Rect());
    EXPECT_NE(selection->strokeColor(), nullptr);
    EXPECT_TRUE(d->items().empty());  // the frame is no item of the document
}

TEST(Selection, QueriesFollowDrawingOrderOrInsertionOrder) {
    auto d = makeDiagram();
    auto a = makeNode(), b = makeNode(), c = makeNode();
    a->setZIndex(9);
    for (const auto& n : {a, b, c})
        d->addItem(n);
    auto ab = makeLink(a, b), bc = makeLink(b, c);
    d->addItem(ab);
    d->addItem(bc);
    for (const auto& item : std::vector<std::shared_ptr<DiagramItem>>{a, c, bc}) {
        item->setSelected(true);
    }
    d->updateZOrder();
    EXPECT_EQ(d->selectedItems(), (std::vector<std::shared_ptr<DiagramItem>>{c, bc, a}));
    EXPECT_EQ(d->selectedNodes(), (std::vector<std::shared_ptr<DiagramNode>>{a, c}));
    EXPECT_EQ(d->selectedLinks(), (std::vector<std::shared_ptr<DiagramLink>>{bc}));

    d->changeSelection(b);
    EXPECT_EQ(d->selectedItems(), (std::vector<std::shared_ptr<DiagramItem>>{b}));
    d->changeSelection(nullptr);
    EXPECT_TRUE(d->selectedItems().empty());
    auto stranger = makeNode();
    a->setSelected(true);
    d->changeSelection(stranger);
    EXPECT_TRUE(stranger->selected());
    EXPECT_TRUE(d->selectedItems().empty());
}

namespace {

struct DeleteLog {
    explicit DeleteLog(Diagram& d) {
        d.nodeDeleting() += [this](Object&, NodeValidationEventArgs& a) {
            events.push_back("nodeDeleting");
            a.setCancel(cancelNodes);
        };
        d.nodeDeleted() += [this](Object&, NodeEventArgs&) { events.push_back("nodeDeleted"); };
        d.linkDeleting() += [this](Object&, LinkValidationEventArgs& a) {
            events.push_back("linkDeleting");
            EXPECT_NE(a.node(), nullptr);
            EXPECT_EQ(a.anchorIndex(), -1);
            a.setCancel(cancelLinks);
        };
        d.linkDeleted() += [this](Object&, LinkEventArgs&) { events.push_back("linkDeleted"); };
    }
    std::vector<std::string> events;
    bool cancelNodes = false;
    bool cancelLinks = false;
};

}  // namespace

TEST(Selection, DeleteActionAsksFirstAndRemovesANodeWithItsLinksQuietly) {
    auto d = makeDiagram(true);
    auto a = makeNode(), b = makeNode();
    d->addItem(a);
    d->addItem(b);
    auto link = makeLink(a, b);
    d->addItem(link);
    DeleteLog log(*d);

    log.cancelNodes = true;
    Diagram::deleteItemWithEvents(a);
    EXPECT_EQ(log.events, std::vector<std::string>{"nodeDeleting"});
    EXPECT_EQ(d->nodes().size(), 2u);

    log.cancelNodes = false;
    log.events.clear();
    Diagram::deleteItemWithEvents(a);
    EXPECT_EQ(log.events, (std::vector<std::string>{"nodeDeleting", "nodeDeleted"}));
    EXPECT_TRUE(d->links().empty());
    d->undo();
    EXPECT_EQ(d->nodes().size(), 2u);
    EXPECT_EQ(d->links().size(), 1u);

    log.events.clear();
    log.cancelLinks = true;
    Diagram::deleteItemWithEvents(link);
    log.cancelLinks = false;
    Diagram::deleteItemWithEvents(link);
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"linkDeleting", "linkDeleting", "linkDeleted"}));
    EXPECT_TRUE(d->links().empty());

    log.events.clear();
    Diagram::deleteItemWithEvents(makeNode());  // no document: nothing
    Diagram::deleteItemWithEvents(nullptr);
    EXPECT_TRUE(log.events.empty());
}
