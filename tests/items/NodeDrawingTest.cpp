#include <gtest/gtest.h>

#include <cairo.h>

#include <memory>
#include <string>
#include <vector>

#include "NodeTestSupport.h"
#include "Nodeloom/composite/NodeExpander.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/AnchorPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "RecordingCanvas.h"
#include "foundation/Pixels.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Notes where the canvas puts the body's local origin and its local (1, 0) direction.
class ProbeNode : public DiagramNode {
public:
    void drawLocal(Canvas& canvas, const RenderOptions&) override {
        cairo_matrix_t m;
        cairo_get_matrix(canvas.context(), &m);
        origin = Point(m.x0, m.y0);
        axis = Point(m.xx, m.yx);
        ++bodies;
    }
    Point origin;
    Point axis;
    int bodies = 0;
};

void expectNear(const Point& actual, const Point& expected) {
    EXPECT_NEAR(actual.x, expected.x, 1e-9);
    EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

std::shared_ptr<AnchorPattern> twoPoints() {
    return std::make_shared<AnchorPattern>(std::vector<std::shared_ptr<AnchorPoint>>{
        std::make_shared<AnchorPoint>(0, 0, true, true, MarkStyle::rectangle),
        std::make_shared<AnchorPoint>(100, 100, true, true, MarkStyle::rectangle)});
}

}  // namespace

TEST(NodeDrawing, BodyIsTurnedAboutTheCentreAndTheExpanderIsNot) {
    auto diagram = std::make_shared<Diagram>();
    auto node = std::make_shared<ProbeNode>();
    node->_setBounds(Rect(10, 20, 40, 30));
    node->setRotationAngle(90);
    node->setExpandable(true);
    diagram->attachItem(node, true);

    RecordingCanvas canvas;
    node->draw(canvas, RenderOptions());
    EXPECT_EQ(node->bodies, 1);
    expectNear(node->origin, DiagramNode::rotatePointAt(Point(10, 20), Point(30, 35), 90));
    expectNear(node->axis, Point(0, 1));
    // The frame is gone once the body is drawn.
    cairo_matrix_t after;
    cairo_get_matrix(canvas.context(), &after);
    EXPECT_EQ(after.xx, 1.0);
    EXPECT_EQ(after.x0, 0.0);
    // The expander box beside the unturned bounds, drawn after the body.
    ASSERT_FALSE(canvas.calls.empty());
    EXPECT_EQ(canvas.calls.front().what, "rect");
    EXPECT_DOUBLE_EQ(canvas.calls.front().a, 51);
    EXPECT_DOUBLE_EQ(canvas.calls.front().b, 33.5);
    EXPECT_DOUBLE_EQ(canvas.calls.front().c, 3);

    // Unturned: the body's origin is the bounds' corner.
    node->setRotationAngle(0);
    node->draw(canvas, RenderOptions());
    expectNear(node->origin, Point(10, 20));
}

TEST(NodeDrawing, AnchorMarksFollowTheOptionsAndTheNodesAngle) {
    auto node = std::make_shared<DiagramNode>();
    node->_setBounds(Rect(10, 20, 40, 30));
    node->setAnchorPattern(twoPoints());
    RenderOptions options;

    RecordingCanvas canvas;
    node->draw(canvas, options);
    ASSERT_EQ(canvas.calls.size(), 2u);
    // Marks of 2 millimetres centred on the points.
    EXPECT_DOUBLE_EQ(canvas.calls[0].a, 9);
    EXPECT_DOUBLE_EQ(canvas.calls[0].b, 19);
    EXPECT_DOUBLE_EQ(canvas.calls[1].a, 49);
    EXPECT_DOUBLE_EQ(canvas.calls[1].c, 2);

    RecordingCanvas turned;
    node->setRotationAngle(180);
    node->draw(turned, options);
    ASSERT_EQ(turned.calls.size(), 2u);
    EXPECT_NEAR(turned.calls[0].a, 49, 1e-9);
    EXPECT_NEAR(turned.calls[0].b, 49, 1e-9);

    RecordingCanvas off;
    options.setEnableAnchors(false);
    node->draw(off, options);
    EXPECT_TRUE(off.calls.empty());
    EXPECT_FALSE(node->shouldShowAnchors(options));

    // A new document shows no marks.
    auto diagram = std::make_shared<Diagram>();
    diagram->attachItem(node, true);
    EXPECT_FALSE(node->shouldShowAnchors(RenderOptions()));
    // Only "always" shows them, and the render option can still turn them off.
    diagram->setShowAnchors(ShowAnchors::always);
    EXPECT_TRUE(node->shouldShowAnchors(RenderOptions()));
    EXPECT_FALSE(node->shouldShowAnchors(options));
    diagram->setShowAnchors(ShowAnchors::auto_);
    EXPECT_FALSE(node->shouldShowAnchors(RenderOptions()));
}

TEST(NodeDrawing, HandlesFollowTheHandlesStyle) {
    auto node = nodeAt(Rect(10, 10, 40, 20));
    Pixels px(60, 40);
    Canvas canvas(px.cr());
    node->drawHandles(canvas);
    // Size 2 outside a document: the corner handle covers (9, 9) to (11, 11).
    EXPECT_GT(px.alpha(10, 10), 0);
    EXPECT_GT(px.alpha(30, 20), 0);
    EXPECT_EQ(px.alpha(20, 10), 0);

    Pixels none(60, 40);
    Canvas blank(none.cr());
    node->setHandlesStyle(HandlesStyle::invisible);
    node->drawHandles(blank);
    EXPECT_EQ(none.ink().count, 0);
}

TEST(NodeDrawing, ExpanderIsFoundOnItsBoxEdgesIncluded) {
    auto diagram = std::make_shared<Diagram>();
    auto node = nodeAt(Rect(10, 20, 40, 30));
    diagram->attachItem(node, true);
    EXPECT_FALSE(node->hitTestManipulators(Point(52, 35)));

    node->setExpandable(true);
    ASSERT_TRUE(node->expander());
    node->expander()->updateBounds();
    EXPECT_EQ(node->hitTestManipulators(Point(51, 33.5)), node->expander());
    EXPECT_EQ(node->hitTestManipulators(Point(54, 36.5)), node->expander());
    EXPECT_FALSE(node->hitTestManipulators(Point(54.01, 35)));

    // Setting the same value keeps the button; turning it off drops it.
    auto expander = node->expander();
    node->setExpandable(true);
    EXPECT_EQ(node->expander(), expander);
    node->setExpandable(false);
    EXPECT_FALSE(node->expander());
    EXPECT_FALSE(node->hitTestManipulators(Point(52, 35)));
}

TEST(NodeDrawing, InPlaceEditingRaisesTheDocumentsEventsOnlyInADocument) {
    auto node = nodeAt(Rect(10, 20, 40, 30));
    node->setRotationAngle(30);
    EXPECT_EQ(node->getEditRect(nullptr, Point(1, 2)), Rect(10, 20, 40, 30));
    node->raiseItemTextEdited("old", "new");

    auto diagram = std::make_shared<Diagram>();
    diagram->attachItem(node, true);
    std::vector<std::string> log;
    diagram->nodeTextEditing() +=
        [&](Object&, EditNodeTextEventArgs& a) { log.push_back(a.oldText() + ">" + a.newText()); };
    diagram->nodeTextEdited() += [&](Object&, EditNodeTextEventArgs& a) {
        EXPECT_EQ(a.node(), node);
        log.push_back(a.newText());
    };
    node->raiseItemTextEditing("old", "new");
    node->raiseItemTextEdited("old", "new");
    EXPECT_EQ(log, (std::vector<std::string>{"old>new", "new"}));
}
