#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/XmlElement.h"

using nodeloom::Color;
using nodeloom::Colors;
using nodeloom::XmlElement;

namespace {

// Shapes a value the way the parser does: a child named after the value holding one text node.
void addValue(XmlElement& parent, const std::string& name, const std::string& text) {
    auto value = std::make_shared<XmlElement>(name);
    auto textNode = std::make_shared<XmlElement>();
    textNode->setText(text);
    value->addChild(textNode);
    parent.addChild(value);
}

}  // namespace

TEST(XmlElementWriter, WritesIndentedLinesWithoutDeclaration) {
    EXPECT_EQ(XmlElement("Nodes").getXmlAsString(0), "<Nodes/>\n");

    auto diagram = std::make_shared<XmlElement>("Diagram");
    diagram->attributes()["Version"] = "16";
    diagram->addChild("Nodes");
    EXPECT_EQ(diagram->getXmlAsString(0), "<Diagram Version=\"16\">\n    <Nodes/>\n</Diagram>\n");

    auto outer = std::make_shared<XmlElement>("A");
    outer->addChild("B")->addChild("C", "x");
    EXPECT_EQ(outer->getXmlAsString(2),
              "        <A>\n            <B>\n                <C>x</C>\n            </B>\n"
              "        </A>\n");
}

TEST(XmlElementWriter, EscapesTextAndAttributeValues) {
    EXPECT_EQ(XmlElement("Label").getXmlAsString(0), "<Label/>\n");
    auto label = std::make_shared<XmlElement>("Label");
    label->setText("a<b & 'c'");
    EXPECT_EQ(label->getXmlAsString(0), "<Label>a&lt;b &amp; &apos;c&apos;</Label>\n");

    // A host-chosen id must never make the saved file unreadable.
    auto node = std::make_shared<XmlElement>("Node");
    node->attributes()["Id"] = "a&b<c>\"d'";
    EXPECT_EQ(node->getXmlAsString(0), "<Node Id=\"a&amp;b&lt;c&gt;&quot;d'\"/>\n");
}

TEST(XmlElementWriter, ChildrenWinOverOwnText) {
    auto element = std::make_shared<XmlElement>("E");
    element->setText("lost");
    element->addChild("C");
    EXPECT_EQ(element->getXmlAsString(0), "<E>\n    <C/>\n</E>\n");
}

TEST(XmlElementTree, DeepTreesReleaseWithoutOverflow) {
    auto root = std::make_shared<XmlElement>("d");
    auto current = root;
    for (int i = 0; i < 1000000; ++i)
        current = current->addChild("d");
    current.reset();
    root.reset();
    SUCCEED();
}

TEST(XmlElementTree, ParentIsSetOnlyWhenCreatedWithOne) {
    auto root = std::make_shared<XmlElement>("Root");
    auto named = root->addChild("Named", "t", {{"k", "v"}});
    EXPECT_EQ(named->parent(), root);
    EXPECT_EQ(named->text(), "t");
    EXPECT_EQ(named->attributes().at("k"), "v");

    auto other = std::make_shared<XmlElement>("Other");
    auto adopted = std::make_shared<XmlElement>("Adopted", other);
    root->addChild(adopted);
    EXPECT_EQ(adopted->parent(), other);
    EXPECT_TRUE(std::make_shared<XmlElement>("Free", nullptr)->parent() == nullptr);

    // Neither a null child nor the element itself can enter the tree.
    root->addChild(std::shared_ptr<XmlElement>());
    root->addChild(root);
    EXPECT_EQ(root->children().size(), 2u);

    // An element that no shared_ptr holds can still make children; they get no parent.
    XmlElement onStack("Stack");
    EXPECT_EQ(onStack.addChild("C")->parent(), nullptr);
}

TEST(XmlElementTree, LookupsAndInnerText) {
    XmlElement element("E");
    element.setText("own");
    EXPECT_EQ(element.getInnerText(), "");
    EXPECT_EQ(element.getChild("Item"), nullptr);
    EXPECT_TRUE(element.getAllChildren("Item").empty());

    auto first = element.addChild("Item", "1");
    element.addChild("Other");
    auto second = element.addChild("Item", "2");
    EXPECT_EQ(element.getChild("Item"), first);
    EXPECT_EQ(element.getChild("item"), nullptr);
    EXPECT_EQ(element.getAllChildren("Item"), (std::vector{first, second}));
    EXPECT_EQ(element.getInnerText(), "1");
}

TEST(XmlElementReaders, StringsAndBooleans) {
    XmlElement element("E");
    element.addChild("Empty");
    addValue(element, "Name", "Box");
    addValue(element, "One", "1");
    addValue(element, "True", "True");
    addValue(element, "Upper", "TRUE");
    addValue(element, "Yes", "yes");

    EXPECT_EQ(element.readString("Name", "d"), "Box");
    EXPECT_EQ(element.readString("Empty", "d"), "");
    EXPECT_EQ(element.readString("Missing", "d"), "d");

    EXPECT_TRUE(element.readBool("One", false));
    EXPECT_TRUE(element.readBool("True", false));
    EXPECT_FALSE(element.readBool("Upper", true));
    EXPECT_FALSE(element.readBool("Yes", true));
    EXPECT_FALSE(element.readBool("Empty", true));
    EXPECT_TRUE(element.readBool("Missing", true));
}

TEST(XmlElementReaders, IntegersAreStrictAndFallBackToDefault) {
    XmlElement element("E");
    addValue(element, "Plus", "+42");
    addValue(element, "Minus", "-7");
    addValue(element, "Max", "9223372036854775807");
    addValue(element, "Min", "-9223372036854775808");
    addValue(element, "MinusZero", "-0");
    addValue(element, "UMax", "18446744073709551615");
    EXPECT_EQ(element.readInteger("Plus", 0), 42);
    EXPECT_EQ(element.readInteger("Minus", 0), -7);
    EXPECT_EQ(element.readInteger("Max", 0), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(element.readInteger("Min", 0), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(element.readInteger("Missing", 5), 5);
    EXPECT_EQ(element.readUInt("MinusZero", 9), 0u);
    EXPECT_EQ(element.readUInt("UMax", 0), std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(element.readUInt("Minus", 9), 9u);

    for (const char* bad : {"", "abc", "12.5", " 42", "42 ", "+", "--1", "1e3", "0x10",
                            "9223372036854775808", "-9223372036854775809"}) {
        XmlElement holder("H");
        addValue(holder, "V", bad);
        EXPECT_EQ(holder.readInteger("V", 77), 77) << '"' << bad << '"';
        if (std::string(bad) != "9223372036854775808") {
            EXPECT_EQ(holder.readUInt("V", 77), 77u) << '"' << bad << '"';
        }
    }
    XmlElement holder("H");
    addValue(holder, "V", "18446744073709551616");
    EXPECT_EQ(holder.readUInt("V", 3), 3u);
}

TEST(XmlElementReaders, DoublesAreLenient) {
    XmlElement element("E");
    addValue(element, "Length", "12.5mm");
    addValue(element, "Text", "abc");
    EXPECT_DOUBLE_EQ(element.readDouble("Length", 1), 12.5);
    EXPECT_DOUBLE_EQ(element.readDouble("Text", 1), 0.0);
    EXPECT_DOUBLE_EQ(element.readDouble("Missing", 1), 1.0);
    EXPECT_EQ(element.readDoubleOpt("Missing"), std::nullopt);
    EXPECT_EQ(element.readDoubleOpt("Text"), 0.0);
}

TEST(XmlElementReaders, Colors) {
    XmlElement element("E");
    addValue(element, "Fill", "#80FF0000");
    addValue(element, "Bad", "red");
    auto fallback = std::make_shared<Color>(0.1, 0.2, 0.3);
    EXPECT_EQ(element.readColor("Missing", fallback), fallback);

    auto fill = element.readColor("Fill", fallback);
    ASSERT_NE(fill, nullptr);
    EXPECT_DOUBLE_EQ(fill->alpha(), 128 / 255.0);
    EXPECT_DOUBLE_EQ(fill->red(), 1.0);
    auto bad = element.readColor("Bad", fallback);
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(*bad, *Colors::Black());
}
