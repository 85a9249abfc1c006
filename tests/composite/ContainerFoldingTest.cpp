#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "CompositeTestSupport.h"
#include "Nodeloom/composite/Folder.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/ConnectionPoint.h"

using namespace nodeloom;
using namespace nodeloom::test;

TEST(ContainerFolding, FoldingLeavesAStripAtTheCornerAndUnfoldingGivesTheSizeBack) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(10, 20, 100, 80));
    auto child = shape(d, Rect(30, 40, 10, 10));
    c->add(child);

    c->setFolded(true);
    EXPECT_EQ(c->bounds(), Rect(10, 20, 50, 5));
    EXPECT_EQ(c->unfoldedSize(), Size(100, 80));
    EXPECT_EQ(child->bounds(), Rect(30, 40, 10, 10));

    // Folding again, by either road, keeps the size to restore; so does resizing the strip.
    c->setFolded(true);
    c->fold();
    c->setBounds(Rect(10, 20, 70, 5));
    c->setFolded(false);
    EXPECT_EQ(c->bounds(), Rect(10, 20, 100, 80));

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
    c->add(a);
    c->add(nested);
    nested->add(b);
    auto inner = link(d, a, b);
    auto leaving = link(d, b, shape(d, Rect(200, 20, 20, 20)));
    for (const auto& item : std::vector<std::shared_ptr<DiagramItem>>{a, b, nested, inner, leaving})
        item->setSelected(true);

    c->setFolded(true);
    EXPECT_FALSE(a->selected() || b->selected() || nested->selected() || inner->selected());
    EXPECT_TRUE(leaving->selected());
    // The link now leaves the strip, at the end's place relative to its hidden node.
    EXPECT_TRUE(c->bounds().containsPoint(leaving->startPoint()));
    EXPECT_EQ(leaving->startPoint(), leaving->originConnection()->positionFromNode());

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
    // In the caption's top-right corner, one millimetre in.
    EXPECT_EQ(c->folder()->getButtonRect(), Rect(96, 1, 3, 3));
    const Point tap(97, 2);
    ASSERT_EQ(d->hitTestManipulator(tap), c->folder());

    c->folder()->onClick(tap);
    EXPECT_TRUE(c->folded());
    c->folder()->onClick(tap);
    EXPECT_FALSE(c->folded());

    d->setUndoEnabled(true);
    c->folder()->onClick(tap);
    EXPECT_TRUE(c->folded());
    EXPECT_EQ(d->undoManager()->undoHistory().size(), 1u);
    d->undo();
    EXPECT_EQ(c->bounds(), Rect(0, 0, 100, 80));
    d->updateZOrder();
    EXPECT_EQ(d->getItemAt(Point(15, 25), false, 0.0), child);
    d->redo();
    EXPECT_EQ(c->bounds(), Rect(0, 0, 50, 5));

    // A tap that unfolds undoes to folded, keeping the size to restore.
    c->folder()->onClick(Point(47, 2));
    EXPECT_FALSE(c->folded());
    d->undo();
    EXPECT_TRUE(c->folded());
    EXPECT_EQ(c->unfoldedSize(), Size(100, 80));
}

TEST(ContainerFolding, RestoringAStateAttachesItsChildrenAfresh) {
    auto d = std::make_shared<Diagram>();
    auto c = container(d, Rect(0, 0, 100, 100));
    auto before = shape(d, Rect(10, 10, 10, 10));
    auto after = shape(d, Rect(30, 10, 10, 10));
    c->add(before);
    const auto state = c->saveState();

    c->remove(before);
    c->add(after);
    c->setFoldable(false);
    c->setFolded(true);
    c->restoreState(*state);
    EXPECT_EQ(c->children(), ContainerNode::NodeList{before});
    EXPECT_EQ(after->attachment(), nullptr);
    EXPECT_NE(c->folder(), nullptr);
    EXPECT_EQ(c->bounds(), Rect(0, 0, 100, 100));

    // Moved, the container carries the restored child from where it is now.
    c->setBounds(Rect(5, 0, 100, 100));
    EXPECT_EQ(before->bounds(), Rect(15, 10, 10, 10));
}
