#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/items/ShapeNode.h"
#include "tests/UndoTestSupport.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

std::vector<const DiagramItem*> order(Diagram& d) {
    d.updateZOrder();
    std::vector<const DiagramItem*> result;
    for (const auto& item : d.items())
        result.push_back(item.get());
    return result;
}

}  // namespace

TEST(DiagramItems, AddingAssignsRanksAndEntersLinksInTheirNodes) {
    auto d = makeDiagram();
    auto a = makeNode(), b = makeNode(), c = makeNode();
    b->setZIndex(7);
    for (const auto& n : {a, b, c})
        d->addItem(n);
    EXPECT_EQ(std::make_tuple(a->zIndex(), b->zIndex(), c->zIndex()), std::make_tuple(0, 7, 2));
    EXPECT_EQ(order(*d), (std::vector<const DiagramItem*>{a.get(), c.get(), b.get()}));

    auto link = makeLink(a, c);
    d->addItem(link);
    EXPECT_EQ(a->outgoingLinks(), DiagramNode::LinkList{link});
    EXPECT_EQ(c->incomingLinks(), DiagramNode::LinkList{link});
    EXPECT_EQ(link->diagram(), d);

    // A polyline's inner points are spread evenly between its ends when it is added.
    auto bent = makeLink(a, b);
    bent->setControlPoints({Point(0, 0), Point(1, 9), Point(2, 0), Point(30, 0)});
    d->addItem(bent);
    EXPECT_EQ(bent->controlPoints(),
              (std::vector<Point>{Point(0, 0), Point(10, 0), Point(20, 0), Point(30, 0)}));

    // An item already in the document, null and an item of another kind are ignored.
    RepaintCounter repaints(*d);
    d->addItem(a);
    d->addItem(nullptr);
    d->addItem(std::make_shared<DiagramItem>());
    EXPECT_EQ(d->items().size(), 5u);
    EXPECT_EQ(repaints.count, 0);
}

TEST(DiagramItems, RemovingANodeTakesItsLinksAndItsGroupAttachment) {
    auto d = makeDiagram();
    auto a = makeNode(), b = makeNode(), c = makeNode(), attached = makeNode();
    for (const auto& n : {a, b, c, attached})
        d->addItem(n);
    auto bc = makeLink(b, c);
    for (const auto& l : {makeLink(a, b), makeLink(c, a), bc})
        d->addItem(l);
    attached->attachToNode(a, AttachToNode::topLeft);
    d->removeItem(attached);
    EXPECT_TRUE(a->attachedNodes().empty());

    d->removeItem(a);
    EXPECT_EQ(d->nodes(), (std::vector<std::shared_ptr<DiagramNode>>{b, c}));
    EXPECT_EQ(d->links(), (std::vector<std::shared_ptr<DiagramLink>>{bc}));
    EXPECT_EQ(order(*d), (std::vector<const DiagramItem*>{b.get(), c.get(), bc.get()}));
    EXPECT_EQ(b->outgoingLinks(), DiagramNode::LinkList{bc});
    EXPECT_TRUE(b->incomingLinks().empty());
    EXPECT_EQ(a->diagram(), d);  // a removed item keeps its document

    d->removeItem(a);  // not in the document any more: the lists stay
    d->removeItem(nullptr);
    EXPECT_EQ(d->items().size(), 3u);

    // A node can shed its links on its own, a self-loop once, and the node stays.
    auto loop = makeLink(b, b);
    d->addItem(loop);
    b->removeAllLinks();
    EXPECT_TRUE(d->links().empty());
    EXPECT_EQ(d->nodes(), (std::vector<std::shared_ptr<DiagramNode>>{b, c}));
    EXPECT_TRUE(c->incomingLinks().empty());
}

TEST(DiagramItems, LayersOrderTheDrawing) {
    auto d = makeDiagram();
    auto back = std::make_shared<Layer>(), front = std::make_shared<Layer>();
    front->setZIndex(5);
    d->setLayers({front, back});
    auto onFront = makeNode(), onBack = makeNode(), none = makeNode(), pastEnd = makeNode();
    onFront->setLayerIndex(0);
    onBack->setLayerIndex(1);
    pastEnd->setLayerIndex(9);
    for (const auto& n : {pastEnd, onFront, onBack, none})
        d->addItem(n);
    EXPECT_EQ(order(*d), (std::vector<const DiagramItem*>{none.get(), onBack.get(), onFront.get(),
                                                          pastEnd.get()}));

    // With an active layer, an item without a layer joins it; one with a layer keeps it.
    d->setActiveLayer(1);
    auto joined = makeNode(), own = makeNode();
    own->setLayerIndex(0);
    d->addItem(joined);
    d->addItem(own);
    EXPECT_EQ(std::make_pair(joined->layerIndex(), own->layerIndex()), std::make_pair(1, 0));
}

// The sort works from one key per item; the pairwise comparison is the reference, ties and an
// item listed twice included.
TEST(DiagramItems, SortingAgreesWithThePairwiseComparison) {
    std::mt19937 random(11);
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto d = makeDiagram();
    for (int i = 0; i < 4; ++i)
        d->layers().push_back(std::make_shared<Layer>());
    d->layers().push_back(nullptr);  // a missing layer counts as none
    std::vector<std::shared_ptr<DiagramItem>> items;
    for (int i = 0; i < 400; ++i) {
        items.push_back(std::make_shared<DiagramItem>());
        d->attachItem(items.back(), false);
    }
    d->attachItem(items[5], false);
    for (int round = 0; round < 20; ++round) {
        for (const auto& item : items) {
            item->setLayerIndex(pick(-3, 7));
            item->setZIndex(pick(-1, 4));
        }
        d->layers()[static_cast<std::size_t>(pick(0, 3))]->setZIndex(pick(0, 2));
        std::vector<std::shared_ptr<DiagramItem>> expected = d->items();
        d->updateRuntimeIndices();
        std::sort(expected.begin(), expected.end(),
                  [&d](const auto& a, const auto& b) { return d->zOrderPrecedes(*a, *b); });
        d->updateZOrder();
        EXPECT_EQ(d->items(), expected);
    }
}

TEST(DiagramItems, ClearEmptiesTheDocumentAndStartsAFreshHistory) {
    auto d = makeDiagram();
    d->addItem(makeNode());
    d->setTheme(std::make_shared<Theme>());
    d->setBounds(Rect(0, 0, 10, 10));
    d->clear();
    EXPECT_TRUE(d->nodes().empty());
    EXPECT_TRUE(d->items().empty());
    EXPECT_EQ(d->theme(), nullptr);
    EXPECT_EQ(d->bounds(), Rect(0, 0, 10, 10));
    EXPECT_TRUE(d->undoEnabled());
    auto next = makeNode();
    d->addItem(next);
    EXPECT_EQ(next->zIndex(), 0);
}

TEST(DiagramItems, ItemsInAFoldedContainerAreHidden) {
    auto d = makeDiagram();
    auto container = std::make_shared<ContainerNode>();
    auto inside = makeNode(), other = makeNode(), outside = makeNode();
    for (const auto& n : {std::static_pointer_cast<DiagramNode>(container), inside, other, outside})
        d->addItem(n);
    inside->setAttachment(std::make_shared<ContainerAttachment>(container, inside));
    other->setAttachment(std::make_shared<ContainerAttachment>(container, other));
    auto innerLink = makeLink(inside, other), outerLink = makeLink(inside, outside);
    d->addItem(innerLink);
    d->addItem(outerLink);
    for (DiagramItem* item :
         {static_cast<DiagramItem*>(inside.get()), static_cast<DiagramItem*>(innerLink.get()),
          static_cast<DiagramItem*>(outerLink.get())}) {
        item->setTopLevel(false);
    }
    container->setFolded(true);
    EXPECT_FALSE(d->isItemVisible(*inside));
    EXPECT_FALSE(d->isItemVisible(*innerLink));
    EXPECT_TRUE(d->isItemVisible(*outerLink));   // its other end is outside the container
    EXPECT_TRUE(d->isItemInteractive(*inside));  // folding is the drawing's concern

    // Once a container exists, sorting numbers the items by their new places and marks them
    // drawn by the document.
    d->updateZOrder();
    for (std::size_t i = 0; i < d->items().size(); ++i) {
        EXPECT_EQ(d->items()[i]->runtimeIndex(), static_cast<int>(i));
        EXPECT_TRUE(d->items()[i]->topLevel());
    }
}

TEST(DiagramItems, UnsubscribingKeepsOnlyTheModificationHandlers) {
    auto d = makeDiagram();
    int modified = 0, other = 0;
    d->nodeModified() += [&](Object&, NodeEventArgs&) { ++modified; };
    d->nodeClicked() += [&](Object&, NodeEventArgs&) { ++other; };
    d->repaint() += [&](Object&, RepaintEventArgs&) { ++other; };
    d->unsubFromAllEvents();
    EXPECT_TRUE(d->contextMenuCreated().handlers().empty());
    NodeEventArgs args(makeNode());
    d->nodeModified().raise(*d, args);
    d->nodeClicked().raise(*d, args);
    d->invalidate();
    EXPECT_EQ(std::make_pair(modified, other), std::make_pair(1, 0));
}

// A load repaints once, when the whole file is read: a repaint handler that deletes a node met
// in the document finds it with its links entered on it, and a container with its members.
TEST(DiagramItems, ALoadRepaintsOnlyOnceItIsWhole) {
    auto source = makeDiagram();
    auto box = std::make_shared<ContainerNode>();
    box->_setBounds(Rect(0, 0, 100, 100));
    auto a = std::make_shared<ShapeNode>(), b = std::make_shared<ShapeNode>();
    a->_setBounds(Rect(10, 10, 20, 10));
    b->_setBounds(Rect(200, 0, 20, 10));
    for (const auto& n : std::vector<std::shared_ptr<DiagramNode>>{box, a, b})
        source->addItem(n);
    box->add(a);
    source->addItem(makeLink(a, b));
    source->addItem(makeLink(b, box));
    source->setStyle(std::make_shared<Style>());
    source->setBounds(Rect(0, 0, 500, 400));
    auto saved = std::make_shared<XmlDomBuilder>();
    source->saveToXml(saved);

    for (std::size_t victim = 0; victim < 3; ++victim) {
        SCOPED_TRACE(victim);
        auto d = makeDiagram(true);
        bool armed = true;
        d->repaint() += [&](Object&, RepaintEventArgs&) {
            EXPECT_TRUE(whole(*d));
            if (!armed) return;
            armed = false;
            EXPECT_EQ(d->nodes().size(), 3u);
            if (d->nodes().size() > victim) d->removeItem(d->nodes()[victim]);
        };
        ASSERT_TRUE(d->loadFromXml(saved->root()));
        EXPECT_EQ(d->nodes().size(), 2u);
        EXPECT_TRUE(whole(*d));
        EXPECT_TRUE(d->canUndo());
    }
}

// A link of the document is not moved onto a node the document does not hold: it would dangle
// there and be saved with the number of an item that is not in the file.
TEST(DiagramItems, ALinkIsNotReattachedToANodeOutsideTheDocument) {
    auto d = makeDiagram(true);
    auto a = makeNode(), b = makeNode(Rect(40, 0, 20, 10)), c = makeNode(Rect(80, 0, 20, 10));
    d->addItem(a);
    d->addItem(b);
    auto link = makeLink(a, b);
    d->addItem(link);
    auto stranger = makeNode(Rect(0, 40, 20, 10));
    link->setOrigin(stranger);
    link->setDestination(stranger);
    EXPECT_EQ(link->origin(), a);
    EXPECT_EQ(link->destination(), b);
    EXPECT_TRUE(whole(*d));
    EXPECT_TRUE(stranger->getAllLinks().empty());

    d->addItem(c);
    link->setDestination(c);
    EXPECT_EQ(link->destination(), c);
    EXPECT_EQ(c->incomingLinks(), DiagramNode::LinkList{link});
    EXPECT_TRUE(b->incomingLinks().empty());

    // A link outside any document is the host's to wire as it likes.
    auto loose = makeLink(a, b);
    loose->setOrigin(stranger);
    EXPECT_EQ(loose->origin(), stranger);
}
