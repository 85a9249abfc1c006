#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "LinkTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/DiagramLinkState.h"
#include "Nodeloom/links/LinkLabel.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

bool lists(const DiagramNode::LinkList& list, const std::shared_ptr<DiagramLink>& link) {
    return std::find(list.begin(), list.end(), link) != list.end();
}

// Three nodes in a row and a link from the first to the second, all in one document.
struct Row {
    std::shared_ptr<Diagram> diagram = std::make_shared<Diagram>();
    std::shared_ptr<DiagramNode> a = nodeAt(Rect(0, 0, 20, 20));
    std::shared_ptr<DiagramNode> b = nodeAt(Rect(60, 0, 20, 20));
    std::shared_ptr<DiagramNode> c = nodeAt(Rect(120, 0, 20, 20));
    std::shared_ptr<DiagramLink> link = linkThrough({Point(20, 10), Point(60, 10)});

    Row() {
        diagram->addItem(a);
        diagram->addItem(b);
        diagram->addItem(c);
        link->connectEnd(a, false, Point(20, 10), false);
        link->connectEnd(b, true, Point(60, 10), false);
        diagram->addItem(link);
    }

    // Which nodes list the link as incoming, in the order a, b, c.
    std::vector<bool> incoming() const {
        return {lists(a->incomingLinks(), link), lists(b->incomingLinks(), link),
                lists(c->incomingLinks(), link)};
    }
};

}  // namespace

TEST(DiagramLinkState, CaptureHoldsObjectsAndCopiesPoints) {
    auto link = linkThrough({Point(0, 0), Point(30, 0), Point(30, 30)}, LinkShape::cascading);
    link->setCascadeStartHorizontal(true);
    auto label = std::make_shared<LinkLabel>(link, "x");
    link->labels().push_back(label);
    link->setBaseShape(Shape::fromId("Rect"));
    link->setHeadShapeSize(7);
    link->setBaseBrush(std::make_shared<SolidColorBrush>(Colors::Red()));
    link->setAutoRoute(true);

    // The light form: ends, points and cascade direction; the rest at its creation values.
    auto location = std::dynamic_pointer_cast<DiagramLinkState>(link->saveLocation());
    ASSERT_TRUE(location);
    EXPECT_EQ(location->originConnection(), link->originConnection());
    EXPECT_EQ(location->destinationConnection(), link->destinationConnection());
    EXPECT_EQ(location->controlPoints(), link->controlPoints());
    EXPECT_TRUE(location->cascadeStartHorizontal());
    EXPECT_EQ(location->shape(), LinkShape::polyline);
    EXPECT_EQ(location->headShapeSize(), 0.0);
    EXPECT_TRUE(location->labels().empty());

    // The full form holds the link's own objects; the points are a copy.
    auto full = std::dynamic_pointer_cast<DiagramLinkState>(link->saveState());
    ASSERT_TRUE(full);
    EXPECT_EQ(full->shape(), LinkShape::cascading);
    EXPECT_EQ(full->baseShape(), link->baseShape());
    EXPECT_EQ(full->headShape(), link->headShape());
    EXPECT_EQ(full->headShapeSize(), 7);
    EXPECT_EQ(full->baseShapeSize(), 5);
    EXPECT_EQ(full->baseBrush(), link->baseBrush());
    EXPECT_TRUE(full->autoRoute());
    ASSERT_EQ(full->labels().size(), 1u);
    EXPECT_EQ(full->labels()[0], label);
    link->controlPoints()[1] = Point(99, 99);
    EXPECT_EQ(full->controlPoints()[1], Point(30, 0));
}

TEST(DiagramLinkState, RestoringValuesAndLocation) {
    auto link = linkThrough({Point(0, 0), Point(40, 0), Point(40, 40)}, LinkShape::cascading);
    link->setCascadeStartHorizontal(true);
    link->setText("before");
    link->setHeadShapeSize(8);
    auto label = std::make_shared<LinkLabel>(link, "kept");
    link->labels().push_back(label);
    auto state = link->saveState();

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
    ASSERT_EQ(link->labels().size(), 1u);
    EXPECT_EQ(link->labels()[0], label);
    // The cascade direction comes back only with the location.
    EXPECT_FALSE(link->cascadeStartHorizontal());
    link->restoreLocation(*state);
    EXPECT_TRUE(link->cascadeStartHorizontal());

    // The location restores points and ends only.
    auto location = link->saveLocation();
    link->setControlPoints({Point(1, 1), Point(2, 2), Point(3, 3)});
    link->setHeadShapeSize(2);
    link->restoreLocation(*location);
    EXPECT_EQ(link->controlPoints()[1], Point(40, 0));
    EXPECT_EQ(link->headShapeSize(), 2);

    // A state of another item kind, or one without points or ends, keeps the link as it is.
    DiagramItemState plain;
    link->restoreLocation(plain);
    DiagramLinkState blank;
    link->restoreLocation(blank);
    EXPECT_EQ(link->controlPoints().size(), 3u);
    EXPECT_TRUE(link->originConnection());
}

TEST(DiagramLinkState, RestoredEndsMoveTheLinkBetweenNodeLists) {
    // A drag that is called off: the end goes back to the node it came from.
    {
        Row row;
        auto saved = row.link->saveLocation();
        row.link->reconnectDestination(row.c, false);
        EXPECT_EQ(row.incoming(), (std::vector<bool>{false, false, true}));
        row.link->restoreLocation(*saved);
        EXPECT_EQ(row.link->destination(), row.b);
        EXPECT_EQ(row.incoming(), (std::vector<bool>{false, true, false}));
        EXPECT_TRUE(lists(row.a->outgoingLinks(), row.link));
    }
    // Undo and redo of a moved end through the document's history.
    {
        Row row;
        row.diagram->setUndoEnabled(true);
        row.diagram->startCompositeOperation();
        row.diagram->recordItemStates({row.link});
        row.link->reconnectDestination(row.c, false);
        row.diagram->commitCompositeOperation();
        ASSERT_TRUE(row.diagram->canUndo());

        row.diagram->undo();
        EXPECT_EQ(row.link->destination(), row.b);
        EXPECT_EQ(row.incoming(), (std::vector<bool>{false, true, false}));
        row.diagram->redo();
        EXPECT_EQ(row.link->destination(), row.c);
        EXPECT_EQ(row.incoming(), (std::vector<bool>{false, false, true}));
        EXPECT_EQ(row.b->incomingLinks().size(), 0u);
        EXPECT_EQ(row.c->incomingLinks().size(), 1u);
    }
    // An end that was loose comes back onto its node, and the node lists the link again.
    {
        Row row;
        auto saved = row.link->saveState();
        row.link->connectEnd(nullptr, true, Point(200, 200), true);
        EXPECT_EQ(row.link->destination(), VirtualNode::instance());
        EXPECT_EQ(row.incoming(), (std::vector<bool>{false, false, false}));
        row.link->restoreState(*saved);
        EXPECT_EQ(row.incoming(), (std::vector<bool>{false, true, false}));
    }
    // A link that has left its document is listed by no node, whatever its state brings back.
    {
        Row row;
        auto saved = row.link->saveState();
        row.link->reconnectDestination(row.c, false);
        row.diagram->removeItem(row.link);
        row.link->restoreState(*saved);
        EXPECT_EQ(row.link->destination(), row.b);
        EXPECT_EQ(row.incoming(), (std::vector<bool>{false, false, false}));
        EXPECT_FALSE(lists(row.a->outgoingLinks(), row.link));
    }
}
