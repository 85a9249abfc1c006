#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Layer.h"
#include "Nodeloom/items/ShapeNode.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;

namespace {

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

std::shared_ptr<ShapeNode> addNode(Diagram& diagram, const Rect& bounds) {
    auto node = std::make_shared<ShapeNode>();
    node->setBounds(bounds);
    diagram.addItem(node);
    return node;
}

std::shared_ptr<DiagramLink> addLink(Diagram& diagram, std::vector<Point> points) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints(std::move(points));
    diagram.addItem(link);
    return link;
}

}  // namespace

TEST(DiagramHitTest, UpperItemWinsAndAnExactHitBeatsANearOne) {
    auto d = std::make_shared<Diagram>();
    auto lower = addNode(*d, Rect(0, 0, 100, 100));
    auto upper = addNode(*d, Rect(50, 50, 100, 100));

    EXPECT_EQ(d->getItemAt(Point(75, 75), false, 0.0), upper);
    EXPECT_EQ(d->getItemAt(Point(75, 75), nullptr), upper);
    EXPECT_EQ(d->getItemAt(Point(75, 75), [&](DiagramItem& i) { return &i != upper.get(); }),
              lower);
    // 3 units left of the upper node, inside the lower one: within the threshold of both.
    EXPECT_EQ(d->getItemAt(Point(47, 75), false, 5.0), lower);
    // Near the upper node only.
    EXPECT_EQ(d->getItemAt(Point(153, 75), false, 5.0), upper);
    EXPECT_EQ(d->getItemAt(Point(160, 75), false, 5.0), nullptr);
    EXPECT_EQ(d->getItemAt(Point(75, 75), false, notANumber), upper);
    EXPECT_EQ(d->getItemAt(Point(notANumber, 75), false, 5.0), nullptr);
}

TEST(DiagramHitTest, LockedHiddenAndContainedItemsAreSkipped) {
    auto d = std::make_shared<Diagram>();
    auto lower = addNode(*d, Rect(0, 0, 100, 100));
    auto upper = addNode(*d, Rect(0, 0, 100, 100));
    upper->setLocked(true);
    EXPECT_EQ(d->getItemAt(Point(10, 10), false, 0.0), upper);
    EXPECT_EQ(d->getItemAt(Point(10, 10), true, 0.0), lower);

    upper->setLocked(false);
    upper->setTopLevel(false);
    EXPECT_EQ(d->getItemAt(Point(10, 10), false, 0.0), lower);

    upper->setTopLevel(true);
    d->setLayers({std::make_shared<Layer>()});
    upper->setLayerIndex(0);
    d->layers()[0]->setVisible(false);
    EXPECT_EQ(d->getItemAt(Point(10, 10), false, 0.0), lower);
}

TEST(DiagramHitTest, NodesAndLinksAreFoundByKind) {
    auto d = std::make_shared<Diagram>();
    auto node = addNode(*d, Rect(0, 0, 100, 100));
    auto lowerLink = addLink(*d, {Point(0, 50), Point(200, 50)});
    auto upperLink = addLink(*d, {Point(0, 50), Point(200, 50)});

    // The links lie above the node, but only nodes answer.
    EXPECT_EQ(d->getNodeAt(Point(50, 50), false), node);
    EXPECT_EQ(d->getNodeAt(Point(150, 50), false), nullptr);
    // The lowest link answers.
    EXPECT_EQ(d->getLinkAt(Point(150, 50)), lowerLink);
    EXPECT_EQ(d->getLinkAt(Point(150, 80)), nullptr);
    EXPECT_EQ(d->getItemAt(Point(150, 50), false, 0.0), upperLink);
}

TEST(DiagramHitTest, ManipulatorOfAVisibleInteractiveItem) {
    auto d = std::make_shared<Diagram>();
    auto node = addNode(*d, Rect(0, 0, 40, 40));
    node->setExpandable(true);
    // The expander lies somewhere on the node; find it by scanning the node.
    std::shared_ptr<Manipulator> found;
    Point where;
    for (double y = 0; y <= 40 && !found; y += 0.5) {
        for (double x = 0; x <= 40 && !found; x += 0.5) {
            found = d->hitTestManipulator(Point(x, y));
            where = Point(x, y);
        }
    }
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found, node->hitTestManipulators(where));
    node->setLocked(true);
    EXPECT_EQ(d->hitTestManipulator(where), nullptr);
    node->setLocked(false);
    node->setVisible(false);
    EXPECT_EQ(d->hitTestManipulator(where), nullptr);
}

TEST(DiagramHitTest, ContentBoundsAndFittingTheDocument) {
    auto d = std::make_shared<Diagram>();
    d->resizeToFitItems(10);
    EXPECT_EQ(d->bounds(), Rect(0, 0, 210, 297));
    EXPECT_EQ(d->getContentBounds(false), Rect(0, 0, 0, 0));

    auto node = addNode(*d, Rect(100, 100, 50, 50));
    node->setStrokeThickness(0.5);
    d->resizeToFitItems(10);
    EXPECT_EQ(d->bounds(), Rect(87.5, 87.5, 75, 75));

    auto hidden = addNode(*d, Rect(-100, 0, 10, 10));
    hidden->setStrokeThickness(0.5);
    hidden->setVisible(false);
    d->resizeToFitItems(0, true);
    EXPECT_EQ(d->bounds(), Rect(97.5, 97.5, 55, 55));
    d->resizeToFitItems(0);
    EXPECT_EQ(d->bounds(), Rect(-102.5, -2.5, 255, 155));

    // A margin that is no number leaves the bounds as they were.
    d->resizeToFitItems(notANumber);
    EXPECT_EQ(d->bounds(), Rect(-102.5, -2.5, 255, 155));
}

TEST(DiagramHitTest, GridSnapping) {
    auto d = std::make_shared<Diagram>();
    EXPECT_EQ(d->alignPointToGrid(Point(3.9, 0.1)), Point(2, 2));
    // Half a cell rounds away from zero.
    EXPECT_EQ(d->alignPointToGrid(Point(4.0, -4.0)), Point(6, -6));
    EXPECT_EQ(d->alignRectToGrid(Rect(3.9, 0.1, 7, 9)), Rect(2, 2, 7, 9));

    // Offsets are taken into one cell, whatever their sign or size.
    d->setGridOffsetX(9.0);
    d->setGridOffsetY(-1.0);
    EXPECT_EQ(d->alignPointToGrid(Point(2.9, 2.9)), Point(1, 3));

    // An axis without a usable size is not snapped; points that are no numbers stay so.
    d->setGridSizeX(0.0);
    d->setGridSizeY(-4.0);
    EXPECT_EQ(d->alignRectToGrid(Rect(3.9, 3.9, 5, 5)), Rect(3.9, 3.9, 5, 5));
    d->setGridSizeX(4.0);
    d->setGridSizeX(inf);  // refused: the last finite size holds
    EXPECT_EQ(d->alignPointToGrid(Point(2.9, 3.9)).x, 1.0);
    EXPECT_TRUE(std::isnan(d->alignPointToGrid(Point(notANumber, 1)).x));
    EXPECT_EQ(d->alignPointToGrid(Point(1e300, 1)).x, 1e300);

    d->setAlignToGrid(false);
    EXPECT_EQ(d->alignRectToGrid(Rect(2.9, 13.9, 1, 1)), Rect(2.9, 13.9, 1, 1));
}

TEST(DiagramHitTest, RectangleMembership) {
    auto d = std::make_shared<Diagram>();
    auto node = addNode(*d, Rect(10, 10, 20, 20));
    EXPECT_TRUE(d->isItemTouchingRect(*node, Rect(25, 25, 50, 50)));
    EXPECT_FALSE(d->isItemTouchingRect(*node, Rect(40, 40, 50, 50)));
    EXPECT_FALSE(d->isItemInsideRect(*node, Rect(25, 25, 50, 50)));
    EXPECT_TRUE(d->isItemInsideRect(*node, Rect(9, 9, 22, 22)));
    // Strict on every edge.
    EXPECT_FALSE(d->isItemInsideRect(*node, Rect(10, 9, 21, 22)));
    EXPECT_FALSE(d->isItemInsideRect(*node, Rect(9, 9, 21, 22)));
}
