#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "LinkTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/DiagramLinkState.h"
#include "Nodeloom/links/LinkLabel.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Three nodes in a row and a link from the first to the second, all in one document.
struct Row {
    std::shared_ptr<Diagram> diagram = std::make_shared<Diagram>();
    std::shared_ptr<DiagramNode> a = nodeAt(Rect(0, 0, 20, 20));
    std::shared_ptr<DiagramNode> b = nodeAt(Rect(60, 0, 20, 20));
    std::shared_ptr<DiagramNode> c = nodeAt(Rect(120, 0, 20, 20));
    std::shared_ptr<DiagramLink> link = linkThrough({Point(20, 10), Point(60, 10)});

    Row() {
        for (const auto& node : {a, b, c})
            diagram->addItem(node);
        link->connectEnd(a, false, Point(20, 10), false);
        link->connectEnd(b, true, Point(60, 10), false);
        diagram->addItem(link);
    }

    // Whether a, b and c list the link as incoming, and a as outgoing.
    std::vector<bool> lists() const {
        const auto has = [this](const DiagramNode::LinkList& list) {
            return std::find(list.begin(), list.end(), link) != list.end();
        };
        return {has(a->incomingLinks()), has(b->incomingLinks()), has(c->incomingLinks()),
                has(a->outgoingLinks())};
    }
};

}  // namespace

TEST(DiagramLinkState, SavingAndRestoring) {
    auto link = linkThrough({Point(0, 0), Point(40, 0), Point(40, 40)}, LinkShape::cascading);
    link->setCascadeStartHorizontal(true);
    link->setText("before");
    link->setHeadShapeSize(8);
    auto label = std::make_shared<LinkLabel>(link, "kept");
    link->addLabel(label);

    // The light form holds ends, points and cascade direction only.
    auto location = std::dynamic_pointer_cast<DiagramLinkState>(link->saveLocation());
    ASSERT_TRUE(location);
    EXPECT_EQ(location->originConnection(), link->originConnection());
    EXPECT_TRUE(location->cascadeStartHorizontal());
    EXPECT_EQ(location->headShapeSize(), 0.0);
    EXPECT_TRUE(location->labels().empty());
    // The full form holds the link's own objects and a copy of its points.
    auto state = std::dynamic_pointer_cast<DiagramLinkState>(link->saveState());
    ASSERT_TRUE(state);
    EXPECT_EQ(state->labels(), std::vector<std::shared_ptr<LinkLabel>>{label});
    link->setControlPoint(1, Point(99, 99));
    EXPECT_EQ(state->controlPoints()[1], Point(40, 0));

    link->setText("after");
    link->setShape(LinkShape::polyline);
    link->setControlPoints({Point(5, 5), Point(6, 6)});
    link->setHeadShapeSize(1);
    link->setHeadShape(nullptr);
    link->setAutoRoute(true);
    link->setLabels({});
    link->setCascadeStartHorizontal(false);
    link->restoreState(*state);
    EXPECT_EQ(link->text(), "before");
    EXPECT_EQ(link->shape(), LinkShape::cascading);
    // Points valid for the restored shape stay as they were saved.
    EXPECT_EQ(link->controlPoints(),
              (std::vector<Point>{Point(0, 0), Point(40, 0), Point(40, 40)}));
    EXPECT_EQ(link->headShapeSize(), 8);
    EXPECT_EQ(link->headShape(), Shape::fromId("Arrow"));
    EXPECT_FALSE(link->autoRoute());
    EXPECT_EQ(link->labels(), std::vector<std::shared_ptr<LinkLabel>>{label});
    // The cascade direction comes back with the full state, and with the location, which
    // restores nothing else.
    EXPECT_TRUE(link->cascadeStartHorizontal());
    link->setCascadeStartHorizontal(false);
    link->setHeadShapeSize(2);
    link->restoreLocation(*location);
    EXPECT_TRUE(link->cascadeStartHorizontal());
    EXPECT_EQ(link->headShapeSize(), 2);

    // A state of another kind, or one without points or ends, keeps the link as it is.
    link->restoreLocation(DiagramItemState());
    link->restoreState(DiagramLinkState());
    EXPECT_EQ(link->controlPoints().size(), 3u);
    EXPECT_TRUE(link->originConnection());
}

TEST(DiagramLinkState, RestoredEndsMoveTheLinkBetweenNodeLists) {
    const std::vector<bool> onB{false, true, false, true};
    const std::vector<bool> onC{false, false, true, true};
    {
        // A cancelled drag puts the end back on the node it came from.
        Row row;
        auto saved = row.link->saveLocation();
        row.link->reconnectDestination(row.c, false);
        EXPECT_EQ(row.lists(), onC);
        row.link->restoreLocation(*saved);
        EXPECT_EQ(row.link->destination(), row.b);
        EXPECT_EQ(row.lists(), onB);
    }
    {
        // Undo and redo of a moved end through the document's history.
        Row row;
        row.diagram->setUndoEnabled(true);
        row.diagram->startCompositeOperation();
        row.diagram->recordItemStates({row.link});
        row.link->reconnectDestination(row.c, false);
        row.diagram->commitCompositeOperation();
        row.diagram->undo();
        EXPECT_EQ(row.link->destination(), row.b);
        EXPECT_EQ(row.lists(), onB);
        row.diagram->redo();
        EXPECT_EQ(row.link->destination(), row.c);
        EXPECT_EQ(row.lists(), onC);
    }
    {
        // A loose end that comes back onto its node is listed by it again.
        Row row;
        auto saved = row.link->saveState();
        row.link->connectEnd(nullptr, true, Point(200, 200), true);
        row.link->restoreState(*saved);
        EXPECT_EQ(row.lists(), onB);
    }
    {
        // A link that has left its document is listed by no node, whatever comes back.
        Row row;
        auto saved = row.link->saveState();
        row.link->reconnectDestination(row.c, false);
        row.diagram->removeItem(row.link);
        row.link->restoreState(*saved);
        EXPECT_EQ(row.link->destination(), row.b);
        EXPECT_EQ(row.lists(), (std::vector<bool>{false, false, false, false}));
    }
}
