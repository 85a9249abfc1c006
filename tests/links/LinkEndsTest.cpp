#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"
#include "items/NodeTestSupport.h"

using namespace nodeloom;
using nodeloom::test::connect;
using nodeloom::test::nodeAt;

namespace {

using Points = std::vector<Point>;

bool lists(const DiagramNode::LinkList& list, const std::shared_ptr<DiagramLink>& link) {
    for (const auto& l : list)
        if (l == link) return true;
    return false;
}

// The end of a link on a table row or tree item.
class RowConnection : public ConnectionPoint {
public:
    using ConnectionPoint::ConnectionPoint;
    int row() const override { return 2; }
};

}  // namespace

TEST(LinkEnds, TheHeadShapeComesFromTheSharedLibrary) {
    const auto saved = DiagramStatic::defaultShapes();
    auto library = std::make_shared<ShapeLibrary>();
    DiagramStatic::setDefaultShapes(library);
    EXPECT_EQ(std::make_shared<DiagramLink>()->headShape(), nullptr);

    auto arrow = std::make_shared<Shape>();
    arrow->setId("Arrow");
    library->shapes()["Arrow"] = arrow;
    EXPECT_EQ(std::make_shared<DiagramLink>()->headShape(), arrow);

    DiagramStatic::setDefaultShapes(nullptr);
    EXPECT_EQ(std::make_shared<DiagramLink>()->headShape(), nullptr);
    DiagramStatic::setDefaultShapes(saved);
}

TEST(LinkEnds, ConnectingAnEndSnapsItToTheNodeAndListsTheLink) {
    auto a = nodeAt(Rect(0, 0, 40, 40));
    auto b = nodeAt(Rect(100, 0, 40, 40));
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({Point(20, 20), Point(120, 20)});

    link->connectEnd(a, false, Point(60, 10), true);
    EXPECT_EQ(link->origin(), a);
    EXPECT_EQ(link->startPoint(), Point(40, 10));
    EXPECT_TRUE(lists(a->outgoingLinks(), link));

    // Without a point the end turns towards the centre of the other end's node.
    link->connectEnd(b, true, std::nullopt, true);
    EXPECT_EQ(link->destination(), b);
    EXPECT_EQ(link->endPoint(), Point(100, 20));
    EXPECT_TRUE(lists(b->incomingLinks(), link));
    EXPECT_EQ(link->destinationConnection()->relativePosition(), Point(0, 50));

    // Without relinking the node lists stay as they were.
    auto c = nodeAt(Rect(100, 100, 40, 40));
    link->connectEnd(c, true, Point(120, 90), false);
    EXPECT_EQ(link->destination(), c);
    EXPECT_TRUE(lists(b->incomingLinks(), link));
    EXPECT_FALSE(lists(c->incomingLinks(), link));

    // A null node is the virtual node; the loose end stays where it is.
    link->connectEnd(nullptr, true, Point(300, 300), true);
    EXPECT_EQ(link->destination(), VirtualNode::instance());
    EXPECT_EQ(link->endPoint(), Point(120, 100));
    EXPECT_FALSE(lists(c->incomingLinks(), link));
}

TEST(LinkEnds, ReconnectingTurnsTheOtherEndAndMovesBetweenNodeLists) {
    auto a = nodeAt(Rect(0, 0, 40, 40));
    auto b = nodeAt(Rect(100, 0, 40, 40));
    auto c = nodeAt(Rect(100, 100, 40, 40));
    auto link = connect(a, b, {Point(20, 20), Point(120, 20)});
    link->clipEndsToOutlines();
    ASSERT_EQ(link->controlPoints(), (Points{Point(40, 20), Point(100, 20)}));

    // The same node again changes nothing.
    link->setDestination(b);
    link->setOrigin(a);
    EXPECT_EQ(link->controlPoints(), (Points{Point(40, 20), Point(100, 20)}));
    EXPECT_EQ(b->incomingLinks().size(), 1u);

    // The origin first turns to the new node's centre, then the end attaches where the new node
    // is nearest to the start.
    link->setDestination(c);
    EXPECT_EQ(link->startPoint(), Point(40, 40));
    EXPECT_EQ(link->endPoint(), Point(100, 100));
    EXPECT_EQ(link->destination(), c);
    EXPECT_FALSE(lists(b->incomingLinks(), link));
    EXPECT_TRUE(lists(c->incomingLinks(), link));

    // Without alignment only the moved end changes.
    link->reconnectOrigin(b, false);
    EXPECT_EQ(link->origin(), b);
    EXPECT_EQ(link->startPoint(), Point(100, 40));
    EXPECT_EQ(link->endPoint(), Point(100, 100));
    EXPECT_FALSE(lists(a->outgoingLinks(), link));
    EXPECT_TRUE(lists(b->outgoingLinks(), link));
}

TEST(LinkEnds, AnEndWhoseNodeIsGoneReadsAsTheVirtualNode) {
    auto a = nodeAt(Rect(0, 0, 40, 40));
    auto b = nodeAt(Rect(100, 0, 40, 40));
    auto link = connect(a, b, {Point(40, 20), Point(100, 20)});
    b.reset();  // nothing else keeps the node

    EXPECT_EQ(link->destination(), VirtualNode::instance());
    EXPECT_TRUE(link->isTopLevel());
    // The link goes on working with its loose end where it was.
    link->updateEndsFromConnections();
    link->clipEndsToOutlines();
    EXPECT_EQ(link->endPoint(), Point(100, 20));
    EXPECT_EQ(link->startPoint(), Point(40, 20));
    auto c = nodeAt(Rect(200, 0, 40, 40));
    link->setDestination(c);
    EXPECT_EQ(link->destination(), c);
}

TEST(LinkEnds, AnchorsPlaceTheEndWhenTheNodeHasThem) {
    auto a = nodeAt(Rect(0, 0, 40, 40));
    a->setAnchorPattern(AnchorPattern::decision1In3Out());
    auto b = nodeAt(Rect(100, 100, 40, 40));
    auto link = connect(a, b, {Point(20, 40), Point(100, 120)});

    link->setOriginAnchor(3);
    EXPECT_EQ(link->originAnchor(), 3);
    EXPECT_EQ(link->startPoint(), Point(40, 20));

    // An index the pattern lacks is kept, and the end stays.
    link->setOriginAnchor(7);
    EXPECT_EQ(link->originAnchor(), 7);
    EXPECT_EQ(link->startPoint(), Point(40, 20));
    // A node without a pattern has no anchors at all.
    link->setDestinationAnchor(0);
    EXPECT_EQ(link->destinationAnchor(), 0);
    EXPECT_EQ(link->endPoint(), Point(100, 120));

    // A cascading link squares its first segment to the anchored start.
    link->setControlPoints({Point(40, 20), Point(70, 20), Point(70, 120), Point(100, 120)});
    link->setShape(LinkShape::cascading);
    link->setCascadeStartHorizontal(true);
    link->setOriginAnchor(2);
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(20, 40), Point(70, 40), Point(70, 120), Point(100, 120)}));
}

TEST(LinkEnds, EndsOnRowsAreRealignedAndSquared) {
    auto table = nodeAt(Rect(0, 0, 40, 40));
    auto other = nodeAt(Rect(100, 0, 40, 40));
    auto link = connect(table, other, {Point(40, 25), Point(70, 5), Point(70, 60), Point(100, 33)});

    // Plain ends are not touched.
    link->alignEndsToRows();
    EXPECT_EQ(link->controlPoints()[1], Point(70, 5));
    EXPECT_FALSE(link->cascadeStartHorizontal());

    link->setOriginConnection(std::make_shared<RowConnection>(table, link, false));
    link->setDestinationConnection(std::make_shared<RowConnection>(other, link, true));
    link->alignEndsToRows();
    EXPECT_TRUE(link->cascadeStartHorizontal());
    EXPECT_EQ(link->controlPoints(),
              (Points{Point(40, 25), Point(70, 25), Point(70, 33), Point(100, 33)}));

    // Two points have no segment to square.
    link->setControlPoints({Point(40, 25), Point(100, 33)});
    link->alignEndsToRows();
    EXPECT_EQ(link->controlPoints(), (Points{Point(40, 25), Point(100, 33)}));
}

TEST(LinkEnds, TextIsEditedInPlaceWithTheDocumentsEvents) {
    auto link = std::make_shared<DiagramLink>();
    link->setEditedText("first");
    EXPECT_EQ(link->getTextToEdit(), "first");
    EXPECT_EQ(link->getEditedItem(), link);
    EXPECT_EQ(link->getEditRect(link, Point(100, 50)), Rect(80, 40, 40, 20));
    // Without a document nobody hears of it.
    link->raiseItemTextEditing("a", "b");

    auto diagram = std::make_shared<Diagram>();
    diagram->attachItem(link, false);
    diagram->setMeasureUnit(MeasureUnit::Centimeter());
    const Rect inCentimetres = link->getEditRect(link, Point(10, 5));
    EXPECT_NEAR(inCentimetres.x, 8, 1e-9);
    EXPECT_NEAR(inCentimetres.y, 4, 1e-9);
    EXPECT_NEAR(inCentimetres.width, 4, 1e-9);
    EXPECT_NEAR(inCentimetres.height, 2, 1e-9);

    std::vector<std::string> heard;
    diagram->linkTextEditing() += [&](Object&, EditLinkTextEventArgs& e) {
        heard.push_back("editing " + e.oldText() + ">" + e.newText());
        EXPECT_EQ(e.link(), link);
    };
    diagram->linkTextEdited() += [&](Object&, EditLinkTextEventArgs& e) {
        heard.push_back("edited " + e.oldText() + ">" + e.newText());
    };
    link->raiseItemTextEditing("first", "second");
    link->raiseItemTextEdited("first", "second");
    EXPECT_EQ(heard, (std::vector<std::string>{"editing first>second", "edited first>second"}));
}

TEST(LinkEnds, AThemeStyleForLinksComesFirst) {
    auto link = std::make_shared<DiagramLink>();
    auto theme = std::make_shared<Theme>();
    auto linkStyle = std::make_shared<Style>();
    auto itemStyle = std::make_shared<Style>();
    theme->styles()["DiagramItem"] = itemStyle;
    const auto any = [](const Style&) { return true; };
    EXPECT_EQ(link->resolveInheritedStyle(any, theme), itemStyle);
    theme->styles()["DiagramLink"] = linkStyle;
    EXPECT_EQ(link->resolveInheritedStyle(any, theme), linkStyle);
    const auto notLinks = [&](const Style& s) { return &s != linkStyle.get(); };
    EXPECT_EQ(link->resolveInheritedStyle(notLinks, theme), itemStyle);
    EXPECT_EQ(link->resolveInheritedStyle(any, nullptr), nullptr);
}

TEST(LinkEnds, AppearanceSettersRepaintOnlyOnARealChange) {
    auto diagram = std::make_shared<Diagram>();
    auto link = std::make_shared<DiagramLink>();
    diagram->attachItem(link, false);
    int repaints = 0;
    std::optional<Rect> area;
    diagram->repaint() += [&](Object&, RepaintEventArgs& e) {
        ++repaints;
        area = e.invalidRect();
    };

    link->setHeadShapeSize(5.0);
    link->setDrawCrossings(true);
    link->setHeadStroke(std::make_shared<Color>(0.0, 0.0, 0.0));
    EXPECT_EQ(repaints, 0);
    link->setHeadShapeSize(7.0);
    link->setCrossingRadius(2.0);
    link->setHeadStroke(Colors::White());
    EXPECT_EQ(repaints, 3);

    // Values that are no values are refused.
    link->setHeadShapeSize(NAN);
    link->setBaseShapeSize(INFINITY);
    link->setHeadStroke(nullptr);
    EXPECT_EQ(link->headShapeSize(), 7.0);
    EXPECT_EQ(link->baseShapeSize(), 5.0);
    EXPECT_EQ(*link->headStroke(), *Colors::White());
    EXPECT_EQ(repaints, 3);

    // A shape change repaints the link; recording new points repaints the whole document.
    link->setShape(LinkShape::bezier);
    EXPECT_EQ(repaints, 4);
    EXPECT_EQ(area, link->getRepaintRect());
    link->updateFromPoints();
    EXPECT_EQ(repaints, 5);
    EXPECT_EQ(area, std::nullopt);
}

TEST(LinkEnds, ConnectingAtAPointFindsTheNodeThere) {
    auto diagram = std::make_shared<Diagram>();
    auto a = nodeAt(Rect(0, 0, 40, 40));
    auto b = nodeAt(Rect(100, 0, 40, 40));
    auto locked = nodeAt(Rect(0, 100, 40, 40));
    locked->setLocked(true);
    for (const auto& node : {a, b, locked})
        diagram->addItem(node);
    auto link = connect(a, b, {Point(40, 20), Point(100, 20)});
    diagram->addItem(link);

    link->connectEndAt(Point(110, 5), true, true);
    EXPECT_EQ(link->destination(), b);
    EXPECT_EQ(link->endPoint(), Point(110, 0));
    // Beside a node, within reach of it.
    link->connectEndAt(Point(145, 20), true, true);
    EXPECT_EQ(link->destination(), b);
    EXPECT_EQ(link->endPoint(), Point(140, 20));
    // The node at the other end is not searched for nearby...
    link->connectEndAt(Point(45, 20), true, true);
    EXPECT_EQ(link->destination(), VirtualNode::instance());
    EXPECT_FALSE(lists(b->incomingLinks(), link));
    // ...but is taken when the point lies on it.
    link->connectEndAt(Point(30, 20), true, true);
    EXPECT_EQ(link->destination(), a);
    EXPECT_TRUE(lists(a->incomingLinks(), link));
    // Locked nodes are passed over, on them and beside them.
    link->connectEndAt(Point(20, 120), true, true);
    EXPECT_EQ(link->destination(), VirtualNode::instance());
    link->connectEndAt(Point(20, 145), false, true);
    EXPECT_EQ(link->origin(), VirtualNode::instance());

    // Without a document every point is loose.
    auto loose = connect(a, b, {Point(40, 20), Point(100, 20)});
    loose->connectEndAt(Point(110, 5), true, true);
    EXPECT_EQ(loose->destination(), VirtualNode::instance());
    loose->connectEndAt(Point(NAN, 5), false, true);
    EXPECT_EQ(loose->origin(), a);
}
