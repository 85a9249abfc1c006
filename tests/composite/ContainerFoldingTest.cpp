#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CompositeTestSupport.h"
#include "Nodeloom/composite/ContainerNodeState.h"
#include "Nodeloom/composite/FoldContainerCommand.h"
#include "Nodeloom/composite/Folder.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/ConnectionPoint.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

// Counts the ellipses drawn, which only the fold button draws here.
class EllipseCounter : public Canvas {
public:
    EllipseCounter() : Canvas(MeasureUnit::Millimeter()) {}
    using Canvas::drawEllipse;
    void drawEllipse(const Rect& rect) override {
        ++ellipses;
        last = rect;
    }
    int ellipses = 0;
    Rect last;
};

}  // namespace

TEST(ContainerFolding, FoldingLeavesAStripAtTheCornerAndUnfoldingGivesTheSizeBack) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(10, 20, 100, 80));
    auto child = shape(d, Rect(30, 40, 10, 10));
    c->add(child);

    c->setFolded(true);
    EXPECT_EQ(c->bounds(), Rect(10, 20, 50, 5));
    EXPECT_EQ(c->unfoldedSize(), Size(100, 80));
    EXPECT_EQ(child->bounds(), Rect(30, 40, 10, 10));

    // Folding again, by either road, keeps the size to restore.
    c->setFolded(true);
    c->fold();
    EXPECT_EQ(c->unfoldedSize(), Size(100, 80));

    // A folded container resized still unfolds to the size it had.
    c->setBounds(Rect(10, 20, 70, 5));
    c->setFolded(false);
    EXPECT_EQ(c->bounds(), Rect(10, 20, 100, 80));

    // The strip is 50 millimetres in the document's unit.
    d->setMeasureUnit(MeasureUnit::Point());
    c->fold();
    EXPECT_NEAR(c->bounds().width, 50 * 72 / 25.4, 1e-9);
}

TEST(ContainerFolding, FoldingDeselectsTheContentAndKeepsLinksThatLeaveIt) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 100, 100));
    auto nested = container(d, Rect(50, 50, 40, 40));
    auto a = shape(d, Rect(10, 20, 20, 20));
    auto b = shape(d, Rect(60, 60, 10, 10));
    auto outside = shape(d, Rect(200, 20, 20, 20));
    c->add(a);
    c->add(nested);
    nested->add(b);
    auto inner = link(d, a, b);
    auto leaving = link(d, b, outside);
    for (const auto& item : std::vector<std::shared_ptr<DiagramItem>>{a, b, nested, inner, leaving})
        item->setSelected(true);

    c->setFolded(true);
    EXPECT_FALSE(a->selected());
    EXPECT_FALSE(b->selected());
    EXPECT_FALSE(nested->selected());
    EXPECT_FALSE(inner->selected());
    EXPECT_TRUE(leaving->selected());
    // The link now leaves the strip, at the end's place relative to its hidden node.
    const Point start = leaving->startPoint();
    EXPECT_TRUE(c->bounds().containsPoint(start)) << start.x << ", " << start.y;
    EXPECT_EQ(start, leaving->originConnection()->positionFromNode());

    // Unfolding puts it back on its node.
    c->setFolded(false);
    EXPECT_TRUE(b->bounds().containsPoint(leaving->startPoint()));

    // Hiding the container deselects as folding does.
    a->setSelected(true);
    c->setVisible(false);
    EXPECT_FALSE(a->selected());
}

TEST(ContainerFolding, TheButtonTogglesAsOneUndoableStep) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 100, 80));
    auto child = shape(d, Rect(10, 20, 10, 10));
    c->add(child);
    const Rect button = c->folder()->getButtonRect();
    EXPECT_EQ(button, Rect(96, 1, 3, 3));
    const Point tap = button.center();
    ASSERT_EQ(d->hitTestManipulator(tap), c->folder());
    EXPECT_TRUE(c->folder()->hitTest(Point(96, 1)));
    EXPECT_FALSE(c->folder()->hitTest(Point(95.9, 1)));

    // Without undo a tap simply toggles.
    c->folder()->onClick(tap);
    EXPECT_TRUE(c->folded());
    c->folder()->onClick(tap);
    EXPECT_FALSE(c->folded());

    d->setUndoEnabled(true);
    c->folder()->onClick(tap);
    EXPECT_TRUE(c->folded());
    EXPECT_EQ(d->undoManager()->undoHistory().size(), 1u);
    d->undo();
    EXPECT_FALSE(c->folded());
    EXPECT_EQ(c->bounds(), Rect(0, 0, 100, 80));
    d->updateZOrder();
    EXPECT_EQ(d->getItemAt(Point(15, 25), false, 0.0), child);
    d->redo();
    EXPECT_TRUE(c->folded());
    EXPECT_EQ(c->bounds(), Rect(0, 0, 50, 5));

    // A tap that unfolds undoes to folded.
    c->folder()->onClick(c->folder()->getButtonRect().center());
    EXPECT_FALSE(c->folded());
    d->undo();
    EXPECT_TRUE(c->folded());
    EXPECT_EQ(c->unfoldedSize(), Size(100, 80));

    // Outside a document the button does nothing.
    auto loose = std::make_shared<ContainerNode>();
    loose->folder()->onClick(Point(0, 0));
    EXPECT_FALSE(loose->folded());
}

TEST(ContainerFolding, TheButtonIsDrawnOnlyWhereItFits) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 40, 30));
    EllipseCounter canvas;
    c->drawManipulators(canvas);
    EXPECT_EQ(canvas.ellipses, 1);
    EXPECT_EQ(canvas.last, c->folder()->getButtonRect());

    for (const Rect& tooSmall : {Rect(0, 0, 1.5, 30), Rect(0, 0, 40, 1.5), Rect(0, 0, 40, 4)}) {
        c->_setBounds(tooSmall);
        c->drawManipulators(canvas);
    }
    c->_setBounds(Rect(0, 0, 40, 30));
    c->setCaptionHeight(0);
    c->drawManipulators(canvas);
    EXPECT_EQ(canvas.ellipses, 1);
}

TEST(ContainerFolding, RestoringAStateAttachesItsChildrenAfresh) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 100, 100));
    auto before = shape(d, Rect(10, 10, 10, 10));
    auto after = shape(d, Rect(30, 10, 10, 10));
    c->add(before);
    c->setMargin(7);
    const auto state = c->saveState();
    ASSERT_NE(dynamic_cast<ContainerNodeState*>(state.get()), nullptr);

    c->remove(before);
    c->add(after);
    c->setMargin(1);
    c->setFoldable(false);
    c->setFolded(true);
    c->restoreState(*state);
    EXPECT_EQ(c->children(), ContainerNode::NodeList{before});
    EXPECT_EQ(before->container(), c);
    EXPECT_EQ(after->container(), nullptr);
    EXPECT_EQ(after->attachment(), nullptr);
    EXPECT_EQ(c->margin(), 7);
    EXPECT_NE(c->folder(), nullptr);
    EXPECT_FALSE(c->folded());
    EXPECT_EQ(c->bounds(), Rect(0, 0, 100, 100));

    // Moved, the container carries the restored child from its place now.
    c->setBounds(Rect(5, 0, 100, 100));
    EXPECT_EQ(before->bounds(), Rect(15, 10, 10, 10));

    // A state of another kind restores only the node's part.
    auto plain = shape(d, Rect(0, 0, 1, 1))->saveState();
    c->restoreState(*plain);
    EXPECT_EQ(c->children(), ContainerNode::NodeList{before});
}
