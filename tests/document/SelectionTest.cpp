#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Selection.h"

using namespace nodeloom;
using namespace nodeloom::test;

TEST(Selection, FrameAndQueries) {
    auto d = makeDiagram();
    const auto frame = d->selection();
    EXPECT_EQ(d->selection(), frame);
    EXPECT_EQ(frame->diagram(), d);
    EXPECT_TRUE(d->items().empty());  // the frame is no item of the document

    auto a = makeNode(), b = makeNode(), c = makeNode();
    a->setZIndex(9);
    for (const auto& n : {a, b, c})
        d->addItem(n);
    auto bc = makeLink(b, c);
    d->addItem(makeLink(a, b));
    d->addItem(bc);
    for (const auto& item : std::vector<std::shared_ptr<DiagramItem>>{a, c, bc})
        item->setSelected(true);
    d->updateZOrder();
    EXPECT_EQ(d->selectedItems(), (std::vector<std::shared_ptr<DiagramItem>>{c, bc, a}));
    EXPECT_EQ(d->selectedNodes(), (std::vector<std::shared_ptr<DiagramNode>>{a, c}));
    EXPECT_EQ(d->selectedLinks(), (std::vector<std::shared_ptr<DiagramLink>>{bc}));

    d->changeSelection(b);
    EXPECT_EQ(d->selectedItems(), (std::vector<std::shared_ptr<DiagramItem>>{b}));
    auto stranger = makeNode();
    d->changeSelection(stranger);
    EXPECT_TRUE(stranger->selected());
    EXPECT_TRUE(d->selectedItems().empty());
    d->changeSelection(nullptr);
    EXPECT_TRUE(d->selectedItems().empty());
}

TEST(Selection, DeleteActionAsksFirstAndRemovesANodeWithItsLinksQuietly) {
    auto d = makeDiagram(true);
    auto a = makeNode(), b = makeNode();
    d->addItem(a);
    d->addItem(b);
    auto link = makeLink(a, b);
    d->addItem(link);
    std::vector<std::string> events;
    bool cancel = true;
    d->nodeDeleting() += [&](Object&, NodeValidationEventArgs& e) {
        events.push_back("nodeDeleting");
        e.setCancel(cancel);
    };
    d->nodeDeleted() += [&](Object&, NodeEventArgs&) { events.push_back("nodeDeleted"); };
    d->linkDeleting() += [&](Object&, LinkValidationEventArgs& e) {
        events.push_back("linkDeleting");
        EXPECT_NE(e.node(), nullptr);
    };
    d->linkDeleted() += [&](Object&, LinkEventArgs&) { events.push_back("linkDeleted"); };

    Diagram::deleteItemWithEvents(a);
    EXPECT_EQ(d->nodes().size(), 2u);
    cancel = false;
    Diagram::deleteItemWithEvents(a);
    EXPECT_EQ(events, (std::vector<std::string>{"nodeDeleting", "nodeDeleting", "nodeDeleted"}));
    EXPECT_TRUE(d->links().empty());
    d->undo();
    EXPECT_EQ(d->links().size(), 1u);

    events.clear();
    Diagram::deleteItemWithEvents(link);
    Diagram::deleteItemWithEvents(makeNode());  // no document: nothing
    EXPECT_EQ(events, (std::vector<std::string>{"linkDeleting", "linkDeleted"}));
}
