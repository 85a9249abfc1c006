#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "DocumentTestSupport.h"
#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/items/GroupAttachment.h"

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

TEST(DiagramItems, AddedNodesAndLinksGetZIndexesAndEnterTheirNodesLinkLists) {
    auto d = makeDiagram();
    auto a = makeNode(), b = makeNode(), c = makeNode();
    b->setZIndex(7);
    d->addItem(a);
    d->addItem(b);
    d->addItem(c);
    EXPECT_EQ(a->zIndex(), 0);
    EXPECT_EQ(b->zIndex(), 7);
    EXPECT_EQ(c->zIndex(), 2);
    EXPECT_EQ(order(*d), (std::vector<const DiagramItem*>{a.get(), c.get(), b.get()}));

    auto link = makeLink(a, c);
    d->addItem(link);
    EXPECT_EQ(d->links().size(), 1u);
    EXPECT_EQ(a->outgoingLinks(), DiagramNode::LinkList{link});
    EXPECT_EQ(c->incomingLinks(), DiagramNode::LinkList{link});
    EXPECT_EQ(link->diagram(), d);
    EXPECT_FALSE(link->standalone());

    // A polyline's inner points are spread evenly between its ends when it is added.
    auto bent = makeLink(a, b);
    bent->setControlPoints({Point(0, 0), Point(1, 9), Point(2, 0), Point(30, 0)});
    d->addItem(bent);
    EXPECT_EQ(bent->controlPoints(),
              (std::vector<Point>{Point(0, 0), Point(10, 0), Point(20, 0), Point(30, 0)}));
    d->removeItem(bent);

    // An item already in the document, null and an item of another kind are ignored.
    RepaintCounter repaints(*d);
    d->addItem(a);
    d->addItem(nullptr);
    d->addItem(std::make_shared<DiagramItem>());
    EXPECT_EQ(d->nodes().size(), 3u);
    EXPECT_EQ(d->items().size(), 4u);
    EXPECT_EQ(repaints.count, 0);
}

TEST(DiagramItems, RemovingANodeTakesItsLinksAndItsGroupAttachment) {
    auto d = makeDiagram();
    auto a = makeNode(), b = makeNode(), c = makeNode();
    for (const auto& n : {a, b, c})
        d->addItem(n);
    auto ab = makeLink(a, b), ca = makeLink(c, a), bc = makeLink(b, c);
    for (const auto& l : {ab, ca, bc})
        d->addItem(l);
    auto attached = makeNode();
    d->addItem(attached);
    attached->attachToNode(a, AttachToNode::topLeft);
    ASSERT_EQ(a->attachedNodes().size(), 1u);

    d->removeItem(attached);
    EXPECT_TRUE(a->attachedNodes().empty());
    EXPECT_EQ(attached->master(), nullptr);

    d->removeItem(a);
    EXPECT_EQ(d->nodes(), (std::vector<std::shared_ptr<DiagramNode>>{b, c}));
    EXPECT_EQ(d->links(), (std::vector<std::shared_ptr<DiagramLink>>{bc}));
    EXPECT_EQ(order(*d), (std::vector<const DiagramItem*>{b.get(), c.get(), bc.get()}));
    EXPECT_TRUE(b->incomingLinks().empty());
    EXPECT_EQ(b->outgoingLinks(), DiagramNode::LinkList{bc});
    EXPECT_EQ(a->diagram(), d);  // a removed item keeps its document

    // Removing what is not in the document leaves the lists alone.
    d->removeItem(a);
    d->removeItem(makeNode());
    d->removeItem(nullptr);
    EXPECT_EQ(d->items().size(), 3u);
}

TEST(DiagramItems, ManyRemovalsKeepTheOrderOfWhatRemains) {
    auto d = makeDiagram();
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    for (int i = 0; i < 300; ++i) {
        nodes.push_back(makeNode());
        d->addItem(nodes.back());
    }
    std::vector<std::shared_ptr<DiagramNode>> kept;
    for (int i = 0; i < 300; ++i) {
        if (i % 3 == 0) {
            kept.push_back(nodes[i]);
        } else {
            d->removeItem(nodes[i]);
        }
    }
    EXPECT_EQ(d->nodes(), kept);
    d->updateRuntimeIndices();
    for (std::size_t i = 0; i < d->items().size(); ++i) {
        EXPECT_EQ(d->items()[i]->runtimeIndex(), static_cast<int>(i));
    }
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

    // With the active layer set, an item without a layer joins it; one with a layer keeps it.
    d->setActiveLayer(1);
    auto joined = makeNode(), own = makeNode();
    own->setLayerIndex(0);
    d->addItem(joined);
    d->addItem(own);
    EXPECT_EQ(joined->layerIndex(), 1);
    EXPECT_EQ(own->layerIndex(), 0);

    // Equal layer z-indexes fall back to the layer index; layers with equal ranks do not mix.
    front->setZIndex(0);
    d->setZOrderInvalid(true);
    const auto sorted = order(*d);
    EXPECT_EQ(sorted.front(), none.get());
    EXPECT_EQ(sorted.back(), pastEnd.get());
    EXPECT_EQ(sorted[1], onFront.get());
}

TEST(DiagramItems, EqualRanksKeepTheirPreviousOrderAcrossSorts) {
    auto d = makeDiagram();
    std::vector<std::shared_ptr<DiagramNode>> nodes;
    for (int i = 0; i < 6; ++i) {
        nodes.push_back(makeNode());
        nodes.back()->setZIndex(3);
        d->addItem(nodes.back());
    }
    std::vector<const DiagramItem*> expected;
    for (const auto& n : nodes)
        expected.push_back(n.get());
    EXPECT_EQ(order(*d), expected);
    nodes[2]->setZIndex(1);  // moves below the others, which keep their order
    expected.erase(expected.begin() + 2);
    expected.insert(expected.begin(), nodes[2].get());
    EXPECT_EQ(order(*d), expected);
    d->setZOrderInvalid(true);
    EXPECT_EQ(order(*d), expected);
}

TEST(DiagramItems, ComparisonFollowsLayersThenRanksThenPositions) {
    auto d = makeDiagram();
    d->setLayers({std::make_shared<Layer>(), std::make_shared<Layer>()});
    d->layers()[0]->setZIndex(2);
    DiagramItem a, b;
    a.setLayerIndex(-2);
    b.setLayerIndex(-1);
    EXPECT_TRUE(d->zOrderPrecedes(a, b));
    EXPECT_FALSE(d->zOrderPrecedes(b, a));
    b.setLayerIndex(1);
    EXPECT_TRUE(d->zOrderPrecedes(a, b));
    a.setLayerIndex(0);
    EXPECT_TRUE(d->zOrderPrecedes(b, a));  // layer 1 has the lower rank
    a.setLayerIndex(5);
    EXPECT_TRUE(d->zOrderPrecedes(b, a));
    b.setLayerIndex(4);
    EXPECT_TRUE(d->zOrderPrecedes(b, a));  // both past the end: by index
    a.setLayerIndex(4);
    a.setZIndex(1);
    b.setZIndex(1);
    a.setRuntimeIndex(3);
    b.setRuntimeIndex(2);
    EXPECT_TRUE(d->zOrderPrecedes(b, a));
    EXPECT_FALSE(d->zOrderPrecedes(a, a));
}

// The sort works from one key per item; the pairwise comparison is the reference.
TEST(DiagramItems, SortingAgreesWithThePairwiseComparison) {
    std::mt19937 random(11);
    const auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    auto d = makeDiagram();
    for (int i = 0; i < 4; ++i) {
        d->layers().push_back(std::make_shared<Layer>());
        d->layers().back()->setZIndex(pick(0, 2));
    }
    d->layers().push_back(nullptr);  // a missing layer counts as none
    std::vector<std::shared_ptr<DiagramItem>> items;
    for (int i = 0; i < 400; ++i) {
        items.push_back(std::make_shared<DiagramItem>());
        d->attachItem(items.back(), false);
    }
    d->attachItem(items[5], false);  // listed twice
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
        d->setZOrderInvalid(true);
        d->updateZOrder();
        ASSERT_EQ(d->items().size(), expected.size());
        EXPECT_EQ(d->items(), expected);
    }
}

TEST(DiagramItems, ClearEmptiesTheDocumentAndStartsAFreshHistory) {
    auto d = makeDiagram();
    auto a = makeNode(), b = makeNode();
    d->addItem(a);
    d->addItem(b);
    d->addItem(makeLink(a, b));
    d->setTheme(std::make_shared<Theme>());
    d->setStyle(std::make_shared<Style>());
    d->setBounds(Rect(0, 0, 10, 10));
    RepaintCounter repaints(*d);
    d->clear();
    EXPECT_TRUE(d->nodes().empty());
    EXPECT_TRUE(d->links().empty());
    EXPECT_TRUE(d->items().empty());
    EXPECT_EQ(d->theme(), nullptr);
    EXPECT_EQ(d->style(), nullptr);
    EXPECT_EQ(d->itemCounter(), 0u);
    EXPECT_EQ(d->bounds(), Rect(0, 0, 10, 10));
    EXPECT_TRUE(d->undoEnabled());
    EXPECT_FALSE(d->canUndo());
    EXPECT_GE(repaints.count, 1);
    auto c = makeNode();
    d->addItem(c);
    EXPECT_EQ(c->zIndex(), 0);
}

TEST(DiagramItems, HiddenLayersLockedLayersAndFoldedContainers) {
    auto d = makeDiagram();
    auto layer = std::make_shared<Layer>();
    d->setLayers({layer});
    auto node = makeNode();
    node->setLayerIndex(0);
    d->addItem(node);
    layer->setVisible(false);
    EXPECT_FALSE(d->isItemVisible(*node));
    EXPECT_FALSE(d->isItemInteractive(*node));
    layer->setVisible(true);
    layer->setLocked(true);
    EXPECT_TRUE(d->isItemLocked(*node));
    EXPECT_FALSE(d->isItemInteractive(*node));
    layer->setLocked(false);

    auto container = std::make_shared<ContainerNode>();
    auto inside = makeNode(), other = makeNode();
    for (const auto& n : {std::static_pointer_cast<DiagramNode>(container), inside, other})
        d->addItem(n);
    inside->setAttachment(std::make_shared<ContainerAttachment>(container, inside));
    other->setAttachment(std::make_shared<ContainerAttachment>(container, other));
    auto innerLink = makeLink(inside, other), outerLink = makeLink(inside, node);
    d->addItem(innerLink);
    d->addItem(outerLink);
    for (const auto& item : {std::static_pointer_cast<DiagramItem>(inside),
                             std::static_pointer_cast<DiagramItem>(innerLink),
                             std::static_pointer_cast<DiagramItem>(outerLink)}) {
        item->setTopLevel(false);
    }
    EXPECT_TRUE(d->isItemVisible(*inside));
    container->setFolded(true);
    EXPECT_FALSE(d->isItemVisible(*inside));
    EXPECT_FALSE(d->isItemVisible(*innerLink));
    EXPECT_TRUE(d->isItemVisible(*outerLink));   // its other end is outside the container
    EXPECT_TRUE(d->isItemInteractive(*inside));  // folding is the drawing's concern

    // Once a container exists, sorting numbers the items by their new places and marks them
    // drawn by the document.
    d->setZOrderInvalid(true);
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
    d->linkModified() += [&](Object&, LinkEventArgs&) { ++modified; };
    d->nodeClicked() += [&](Object&, NodeEventArgs&) { ++other; };
    d->repaint() += [&](Object&, RepaintEventArgs&) { ++other; };
    d->unsubFromAllEvents();
    EXPECT_TRUE(d->contextMenuCreated().handlers().empty());
    auto node = makeNode();
    NodeEventArgs nodeArgs(node);
    d->nodeModified().raise(*d, nodeArgs);
    d->nodeClicked().raise(*d, nodeArgs);
    LinkEventArgs linkArgs(makeLink(node, node));
    d->linkModified().raise(*d, linkArgs);
    d->invalidate();
    EXPECT_EQ(modified, 2);
    EXPECT_EQ(other, 0);
}
