#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "Nodeloom/composite/NodeExpander.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "foundation/Pixels.h"

using namespace nodeloom;

namespace {

struct Fixture {
    Fixture() : diagram(std::make_shared<Diagram>()), node(std::make_shared<DiagramNode>()) {
        node->_setBounds(Rect(10, 20, 40, 30));
        diagram->attachItem(node, true);
        node->setExpandable(true);
    }
    NodeExpander& expander() { return *node->expander(); }

    std::shared_ptr<Diagram> diagram;
    std::shared_ptr<DiagramNode> node;
};

// Draws the box on a canvas scaled so that 1 millimetre is 10 pixels, with the box's top-left
// corner at (0, 0).
struct Drawn {
    explicit Drawn(Fixture& f) : px(40, 40), canvas(px.cr()) {
        canvas.setMeasureUnit(MeasureUnit::Millimeter());
        const double scale = 10.0 / MeasureUnit::Millimeter()->convert(1.0, MeasureUnit::Point());
        canvas.scaleTransform(scale);
        canvas.translateTransform(-51, -33.5);
        f.node->drawManipulators(canvas);
    }
    Pixels px;
    Canvas canvas;
};

bool dark(const Pixels& px, int x, int y) {
    return px.alpha(x, y) == 255 && px.red(x, y) < 60;
}

}  // namespace

TEST(NodeExpander, SitsBesideTheNodeInTheDocumentsUnit) {
    Fixture f;
    EXPECT_EQ(f.expander().bounds(), Rect(0, 0, 3, 3));
    f.expander().updateBounds();
    EXPECT_EQ(f.expander().globalBounds(), Rect(51, 33.5, 3, 3));
    EXPECT_EQ(f.expander().localBounds(), Rect(41, 13.5, 3, 3));

    f.node->_setBounds(Rect(0, 0, 100, 100));
    f.diagram->setMeasureUnit(MeasureUnit::Centimeter());
    f.expander().updateBounds();
    const Rect b = f.expander().globalBounds();
    EXPECT_NEAR(b.x, 100.1, 1e-12);
    EXPECT_NEAR(b.width, 0.3, 1e-12);
    EXPECT_NEAR(b.y, 49.85, 1e-12);

    // Outside a document the box stays where it was.
    auto free = std::make_shared<DiagramNode>();
    free->setExpandable(true);
    free->expander()->updateBounds();
    EXPECT_EQ(free->expander()->globalBounds(), Rect(0, 0, 3, 3));
}

TEST(NodeExpander, ShowsMinusWhileExpandedAndPlusWhileFolded) {
    Fixture f;
    {
        Drawn d(f);
        EXPECT_TRUE(dark(d.px, 15, 15));   // the bar across
        EXPECT_FALSE(dark(d.px, 15, 10));  // no bar down
        EXPECT_GT(d.px.alpha(3, 3), 0);    // the box is filled
        EXPECT_EQ(d.px.alpha(35, 35), 0);
    }
    std::optional<DiagramNode::CollapsedSet> none;
    f.node->collapse(none);
    {
        Drawn d(f);
        EXPECT_TRUE(dark(d.px, 15, 15));
        EXPECT_TRUE(dark(d.px, 15, 10));
    }
}

TEST(NodeExpander, TapTogglesTheFoldAndOnlyTapsReachIt) {
    Fixture f;
    auto child = std::make_shared<DiagramNode>();
    f.diagram->attachItem(child, true);
    auto link = std::make_shared<DiagramLink>();
    auto origin = f.node->createConnectionPoint(link, Point(), false);
    auto destination = child->createConnectionPoint(link, Point(), true);
    link->setOriginConnection(origin);
    link->setDestinationConnection(destination);
    origin->addLinkToNode();
    destination->addLinkToNode();
    f.diagram->attachItem(link, true);

    f.expander().updateBounds();
    EXPECT_TRUE(f.expander().hitTest(Point(51, 33.5)));
    EXPECT_TRUE(f.expander().hitTest(Point(54, 36.5)));
    EXPECT_FALSE(f.expander().hitTest(Point(50.9, 35)));
    EXPECT_FALSE(f.expander().needsDragEvents(Point(52, 35)));
    EXPECT_TRUE(f.expander().expanded());

    int collapsed = 0, expanded = 0;
    f.diagram->nodeCollapsed() += [&](Object&, NodeValidationEventArgs&) { ++collapsed; };
    f.diagram->nodeExpanded() += [&](Object&, NodeValidationEventArgs&) { ++expanded; };
    f.expander().onClick(Point(52, 35));
    EXPECT_FALSE(f.expander().expanded());
    EXPECT_FALSE(child->visible());
    EXPECT_FALSE(link->visible());
    EXPECT_EQ(collapsed, 2);
    f.expander().onClick(Point(52, 35));
    EXPECT_TRUE(f.expander().expanded());
    EXPECT_TRUE(child->visible());
    EXPECT_TRUE(link->visible());
}
