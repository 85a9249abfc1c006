#include <gtest/gtest.h>

#include <memory>

#include "NodeTestSupport.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/Attachment.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkLabel.h"

namespace nodeloom {
namespace {

using test::connect;
using test::nodeAt;

std::shared_ptr<Diagram> documentWithUndo() {
    auto d = std::make_shared<Diagram>();
    d->setUndoEnabled(true);
    return d;
}

// A drag of an attached node changes the offsets kept by its attachment; undoing the drag brings
// the old offsets back with the old place, so the node follows its master from there.
TEST(UndoSnapshot, AttachmentOffsetsComeBackWithTheNode) {
    auto d = documentWithUndo();
    auto master = nodeAt(Rect(0, 0, 20, 20));
    auto child = nodeAt(Rect(30, 0, 10, 10));
    d->addItem(master);
    d->addItem(child);
    child->attachToNode(master, AttachToNode::topLeft);

    d->startCompositeOperation();
    d->recordItemStates({child});
    child->_setBounds(Rect(50, 0, 10, 10));
    child->attachment()->updateOffsets();
    d->commitCompositeOperation();

    d->undo();
    EXPECT_EQ(child->bounds().x, 30);
    master->setBounds(Rect(5, 0, 20, 20));
    EXPECT_EQ(child->bounds().x, 35);

    // Redo gives the dragged offsets back in turn.
    d->redo();
    EXPECT_EQ(child->bounds().x, 50);
    master->setBounds(Rect(10, 0, 20, 20));
    EXPECT_EQ(child->bounds().x, 60);
}

// Undoing a change of a link brings back its labels' text, placement and look as they were, in
// the same label objects.
TEST(UndoSnapshot, LabelsComeBackAsTheyWere) {
    auto d = documentWithUndo();
    auto a = nodeAt(Rect(0, 0, 20, 20));
    auto b = nodeAt(Rect(100, 0, 20, 20));
    d->addItem(a);
    d->addItem(b);
    auto link = connect(a, b, {Point(20, 10), Point(100, 10)});
    d->addItem(link);
    auto label = std::make_shared<LinkLabel>(link, "before");
    label->setLinkLengthPosition(0.25);
    link->setLabels({label});

    d->startCompositeOperation();
    d->recordItemStates({link});
    label->setText("after");
    label->setLinkLengthPosition(0.75);
    label->setFontSize(12);
    d->commitCompositeOperation();

    d->undo();
    ASSERT_EQ(link->labels().size(), 1u);
    EXPECT_EQ(link->labels()[0], label);
    EXPECT_EQ(label->text(), "before");
    EXPECT_EQ(label->horizontalOffset(), 0.25);
    EXPECT_EQ(label->fontSize(), 7.0);

    d->redo();
    EXPECT_EQ(label->text(), "after");
    EXPECT_EQ(label->horizontalOffset(), 0.75);
    EXPECT_EQ(label->fontSize(), 12.0);
}

}  // namespace
}  // namespace nodeloom
