#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "NodeTestSupport.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/items/DiagramNodeState.h"
#include "Nodeloom/items/GroupAttachment.h"

using namespace nodeloom;
using namespace nodeloom::test;

namespace {

std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-node-xml-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    std::filesystem::remove(path);
    return whole ? builder.root() : nullptr;
}

// The node's element as a file would carry it, read back.
std::shared_ptr<XmlElement> saved(DiagramNode& node) {
    XmlContext context;
    auto element = std::make_shared<XmlElement>("Node");
    node.saveToXml(element, context);
    return parse(element->getXmlAsString(0));
}

}  // namespace

TEST(NodeState, SnapshotsCarryTheNodesOwnFieldsAndRestoreRaw) {
    auto master = nodeAt(Rect(0, 0, 10, 10));
    auto node = nodeAt(Rect(10, 20, 30, 40));
    auto follower = nodeAt(Rect(50, 50, 5, 5));
    follower->attachToNode(node, AttachToNode::topLeft);
    node->attachToNode(master, AttachToNode::topLeft);
    auto pattern = std::make_shared<AnchorPattern>();
    node->setAnchorPattern(pattern);
    node->setRotationAngle(15);
    node->setObstacle(false);
    node->setExpandable(true);

    const auto state = node->saveState();
    auto* s = dynamic_cast<DiagramNodeState*>(state.get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->bounds(), Rect(10, 20, 30, 40));
    EXPECT_EQ(s->rotationAngle(), 15);
    EXPECT_EQ(s->anchorPattern(), pattern);
    EXPECT_TRUE(s->expanded());
    EXPECT_TRUE(s->expandable());
    EXPECT_FALSE(s->obstacle());
    EXPECT_EQ(s->attachment(), node->attachment());

    const auto attachment = node->attachment();
    node->move(100, 100, false);
    node->setRotationAngle(0);
    node->setObstacle(true);
    node->setExpandable(false);
    node->detach();
    node->restoreState(*state);
    EXPECT_EQ(node->bounds(), Rect(10, 20, 30, 40));
    EXPECT_EQ(node->rotationAngle(), 15);
    EXPECT_FALSE(node->obstacle());
    EXPECT_TRUE(node->expander());
    // The attachment object comes back; the master's list is the undo of the master's own.
    EXPECT_EQ(node->attachment(), attachment);
    EXPECT_TRUE(master->attachedNodes().empty());
    // Attached nodes are not moved by a restore.
    EXPECT_EQ(follower->bounds(), Rect(50, 50, 5, 5));

    // A state of another kind touches only the common part.
    DiagramItemState plain;
    node->restoreState(plain);
    EXPECT_EQ(node->bounds(), Rect(10, 20, 30, 40));
}

TEST(NodeXml, WritesBoundsFlagsAndRotationOnlyWhenTurned) {
    DiagramNode node;
    auto element = saved(node);
    ASSERT_TRUE(element);
    EXPECT_EQ(element->readString("Bounds", ""), "0.0, 0.0, 50.0, 50.0");
    EXPECT_EQ(element->readString("Expanded", ""), "true");
    EXPECT_EQ(element->readString("Expandable", ""), "false");
    EXPECT_FALSE(element->getChild("RotationAngle"));
    EXPECT_FALSE(element->getChild("AnchorPattern"));
    // The bounds come first, then the common item content.
    ASSERT_FALSE(element->children().empty());
    EXPECT_EQ(element->children().front()->name(), "Bounds");

    node.setRotationAngle(30);
    EXPECT_EQ(saved(node)->readString("RotationAngle", ""), "30.0");
}

TEST(NodeXml, ReadsBackWhatItWrote) {
    auto pattern = AnchorPattern::create({std::make_shared<AnchorPoint>(50, 0)}, "node-xml-test");
    auto node = nodeAt(Rect(10.5, 20, 30, 40));
    node->setRotationAngle(-12.25);
    node->setExpandable(true);
    node->setExpanded(false);
    node->setAnchorPattern(pattern);
    node->setText("hello");
    auto element = saved(*node);

    auto copy = std::make_shared<DiagramNode>();
    XmlContext context;
    copy->loadFromXml(element, context);
    EXPECT_EQ(copy->bounds(), Rect(10.5, 20, 30, 40));
    EXPECT_EQ(copy->rotationAngle(), -12.25);
    EXPECT_TRUE(copy->expandable());
    EXPECT_TRUE(copy->expander());
    EXPECT_FALSE(copy->expanded());
    EXPECT_EQ(copy->anchorPattern(), pattern);
    EXPECT_EQ(copy->text(), "hello");
}

TEST(NodeXml, MissingValuesTakeTheFileDefaults) {
    auto node = nodeAt(Rect(1, 2, 3, 4));
    node->setRotationAngle(45);
    XmlContext context;
    node->loadFromXml(parse("<Node><Visible>true</Visible></Node>"), context);
    // A file without "Expanded" has its nodes folded; no bounds text reads as the empty rectangle.
    EXPECT_FALSE(node->expanded());
    EXPECT_FALSE(node->expandable());
    EXPECT_EQ(node->rotationAngle(), 0);
    EXPECT_EQ(node->bounds(), Rect(0, 0, 0, 0));

    node->loadFromXml(parse("<Node><Bounds>1, 2, x</Bounds><Expanded>1</Expanded></Node>"),
                      context);
    EXPECT_EQ(node->bounds(), Rect(1, 2, 0, 0));
    EXPECT_TRUE(node->expanded());
    node->loadFromXml(nullptr, context);
    EXPECT_EQ(node->bounds(), Rect(1, 2, 0, 0));
}
