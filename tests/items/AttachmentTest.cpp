#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "NodeTestSupport.h"
#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ContainerAttachment.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/GroupAttachment.h"
#include "Nodeloom/links/DiagramLink.h"

using namespace nodeloom;
using namespace nodeloom::test;

TEST(Attachment, ChildFollowsTheCornerOfItsMasterNode) {
    auto master = nodeAt(Rect(0, 0, 100, 50));
    auto child = nodeAt(Rect(110, 5, 20, 10));
    child->attachToNode(master, AttachToNode::topRight);
    auto attachment = child->attachment();
    ASSERT_TRUE(attachment);
    EXPECT_EQ(attachment->offsetX(), -10);
    EXPECT_EQ(attachment->offsetY(), -5);
    EXPECT_EQ(attachment->width(), 100);
    EXPECT_EQ(attachment->height(), 0);
    EXPECT_EQ(child->master(), master);
    EXPECT_EQ(master->attachedNodes(), (std::vector<std::shared_ptr<DiagramNode>>{child}));

    // Widening moves a child at a right corner with the corner; it keeps its size.
    master->setBounds(Rect(0, 0, 150, 50));
    attachment->updateFromMaster();
    EXPECT_EQ(child->bounds(), Rect(160, 5, 20, 10));
    EXPECT_EQ(attachment->width(), 150);

    // Turning the master moves nothing.
    master->setRotationAngle(45);
    attachment->updateFromMaster();
    EXPECT_EQ(child->bounds(), Rect(160, 5, 20, 10));

    // Moving the child itself and taking the new offset keeps the new place.
    child->_setBounds(Rect(170, 20, 20, 10));
    attachment->updateOffsets();
    master->setBounds(Rect(10, 10, 150, 50));
    attachment->updateFromMaster();
    EXPECT_EQ(child->bounds(), Rect(180, 30, 20, 10));
}

TEST(Attachment, TopLeftChildStaysOnResizeAndFollowsAMove) {
    auto master = nodeAt(Rect(0, 0, 100, 50));
    auto child = nodeAt(Rect(110, 5, 20, 10));
    child->attachToNode(master, AttachToNode::topLeft);
    master->setBounds(Rect(0, 0, 150, 80));
    child->attachment()->updateFromMaster();
    EXPECT_EQ(child->bounds(), Rect(110, 5, 20, 10));
    master->setBounds(Rect(7, -3, 150, 80));
    child->attachment()->updateFromMaster();
    EXPECT_EQ(child->bounds(), Rect(117, 2, 20, 10));

    auto bottom = nodeAt(Rect(0, 60, 10, 10));
    bottom->attachToNode(master, AttachToNode::bottomLeft);
    master->setBounds(Rect(7, -3, 150, 100));
    bottom->attachment()->updateFromMaster();
    EXPECT_EQ(bottom->bounds(), Rect(0, 80, 10, 10));
}

TEST(Attachment, ChildOfALinkFollowsTheMidpointOfItsEnds) {
    auto link = std::make_shared<DiagramLink>();
    link->setControlPoints({Point(0, 0), Point(50, 80), Point(100, 0)});
    auto child = nodeAt(Rect(40, -20, 20, 10));
    child->attachToLink(link, AttachToLink::center);
    auto attachment = child->attachment();
    EXPECT_EQ(attachment->offsetX(), 10);
    EXPECT_EQ(attachment->offsetY(), 20);
    EXPECT_FALSE(attachment->nodeOffset());
    EXPECT_EQ(attachment->linkOffset(), AttachToLink::center);

    link->setControlPoints({Point(20, 10), Point(0, 0), Point(120, 10)});
    attachment->updateFromMaster();
    EXPECT_EQ(child->bounds(), Rect(60, -10, 20, 10));

    // A link without points leaves the attachment and the child as they are.
    link->setControlPoints({});
    attachment->updateOffsets();
    attachment->updateFromMaster();
    EXPECT_EQ(attachment->offsetX(), 10);
    EXPECT_EQ(child->bounds(), Rect(60, -10, 20, 10));
}

TEST(Attachment, ContainerChildrenKeepTheirOffsetFromTheTopLeftCorner) {
    auto container = std::make_shared<ContainerNode>();
    container->_setBounds(Rect(0, 0, 100, 100));
    auto child = nodeAt(Rect(10, 20, 5, 5));
    auto attachment = std::make_shared<ContainerAttachment>(container, child);
    child->setAttachment(attachment);
    EXPECT_EQ(attachment->nodeOffset(), AttachToNode::topLeft);
    EXPECT_EQ(child->container(), container);

    container->setBounds(Rect(30, 40, 200, 10));
    attachment->updateFromMaster();
    EXPECT_EQ(child->bounds(), Rect(40, 60, 5, 5));

    // A group attachment's detach leaves a container child where it is.
    child->detach();
    EXPECT_EQ(child->attachment(), attachment);
}

TEST(Attachment, AttachingAgainMovesTheNodeToTheNewMaster) {
    auto first = nodeAt(Rect(0, 0, 10, 10));
    auto second = nodeAt(Rect(50, 0, 10, 10));
    auto child = nodeAt(Rect(20, 0, 10, 10));
    child->attachToNode(first, AttachToNode::topLeft);
    child->attachToNode(second, AttachToNode::bottomRight);
    EXPECT_TRUE(first->attachedNodes().empty());
    EXPECT_EQ(second->attachedNodes().size(), 1u);
    EXPECT_EQ(child->master(), second);
    EXPECT_TRUE(second->containsAttachedNode(child));
    EXPECT_FALSE(first->containsAttachedNode(child));
    // Through a chain, and ending on a loop.
    auto grandchild = nodeAt(Rect());
    grandchild->attachToNode(child, AttachToNode::topLeft);
    EXPECT_TRUE(second->containsAttachedNode(grandchild));
    second->attachToNode(grandchild, AttachToNode::topLeft);
    EXPECT_FALSE(child->containsAttachedNode(first));
    second->detach();
    grandchild->detach();

    child->detach();
    EXPECT_FALSE(child->attachment());
    EXPECT_TRUE(second->attachedNodes().empty());
    // Nothing to end; a null master is ignored.
    child->detach();
    child->attachToNode(nullptr, AttachToNode::topLeft);
    EXPECT_FALSE(child->attachment());
}

TEST(Attachment, GroupedNodeIsTopLevelWhenItsMasterIs) {
    auto container = std::make_shared<ContainerNode>();
    auto master = nodeAt(Rect());
    auto child = nodeAt(Rect());
    child->attachToNode(master, AttachToNode::topLeft);
    EXPECT_TRUE(child->isTopLevel());
    master->setTopLevel(false);
    child->setTopLevel(false);
    EXPECT_FALSE(child->isTopLevel());
    master->setTopLevel(true);
    EXPECT_TRUE(child->isTopLevel());

    // A loop of attachments that does not pass through the node asked first still ends.
    auto x = nodeAt(Rect());
    auto y = nodeAt(Rect());
    x->attachToNode(y, AttachToNode::topLeft);
    y->attachToNode(x, AttachToNode::topLeft);
    master->attachToNode(x, AttachToNode::topLeft);
    x->setTopLevel(false);
    y->setTopLevel(false);
    master->setTopLevel(false);
    EXPECT_FALSE(child->isTopLevel());
    y->setTopLevel(true);
    EXPECT_TRUE(child->isTopLevel());
    x->detach();
    y->detach();
}

TEST(Attachment, AttachedNodesAreFreedWithTheirDocument) {
    std::weak_ptr<DiagramNode> masterAlive, childAlive;
    std::weak_ptr<DiagramLink> linkAlive;
    std::weak_ptr<Attachment> attachmentAlive;
    {
        auto diagram = std::make_shared<Diagram>();
        auto master = nodeAt(Rect(0, 0, 10, 10));
        auto child = nodeAt(Rect(20, 0, 10, 10));
        auto onLink = nodeAt(Rect(40, 0, 10, 10));
        auto link = connect(master, child, {Point(0, 0), Point(20, 0)});
        for (const std::shared_ptr<DiagramItem>& item :
             std::vector<std::shared_ptr<DiagramItem>>{master, child, onLink, link})
            diagram->attachItem(item, true);
        child->attachToNode(master, AttachToNode::bottomRight);
        onLink->attachToLink(link, AttachToLink::center);
        child->setExpandable(true);
        const auto state = child->saveState();
        masterAlive = master;
        childAlive = child;
        linkAlive = link;
        attachmentAlive = child->attachment();
    }
    EXPECT_TRUE(masterAlive.expired());
    EXPECT_TRUE(childAlive.expired());
    EXPECT_TRUE(linkAlive.expired());
    EXPECT_TRUE(attachmentAlive.expired());
}
