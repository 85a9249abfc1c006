#include <gtest/gtest.h>

#include <cstdint>

#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/XmlElement.h"

using nodeloom::Color;
using nodeloom::Colors;
using nodeloom::XmlElement;

namespace {

// An element holding the value V shaped as the parser shapes it: a child holding one text node.
std::shared_ptr<XmlElement> holding(const std::string& text) {
    auto element = std::make_shared<XmlElement>("E");
    auto textNode = std::make_shared<XmlElement>();
    textNode->setText(text);
    element->addChild("V")->addChild(textNode);
    return element;
}

}  // namespace

TEST(XmlElementWriter, WritesIndentedLinesWithoutDeclaration) {
    EXPECT_EQ(XmlElement("Nodes").getXmlAsString(0), "<Nodes/>\n");

    auto diagram = std::make_shared<XmlElement>("Diagram");
    diagram->attributes()["Version"] = "16";
    diagram->addChild("Nodes");
    EXPECT_EQ(diagram->getXmlAsString(0), "<Diagram Version=\"16\">\n    <Nodes/>\n</Diagram>\n");

    // Own text is not written once there are children.
    auto outer = std::make_shared<XmlElement>("A");
    outer->setText("lost");
    outer->addChild("B")->addChild("C", "x");
    EXPECT_EQ(outer->getXmlAsString(2),
              "        <A>\n            <B>\n                <C>x</C>\n            </B>\n"
              "        </A>\n");
}

TEST(XmlElementWriter, EscapesTextAndAttributeValues) {
    auto label = std::make_shared<XmlElement>("Label");
    label->setText("a<b & 'c'");
    EXPECT_EQ(label->getXmlAsString(0), "<Label>a&lt;b &amp; &apos;c&apos;</Label>\n");

    // A host-chosen id must never make the saved file unreadable.
    auto node = std::make_shared<XmlElement>("Node");
    node->attributes()["Id"] = "a&b<c>\"d'";
    EXPECT_EQ(node->getXmlAsString(0), "<Node Id=\"a&amp;b&lt;c&gt;&quot;d'\"/>\n");
}

TEST(XmlElementTree, DeepTreesReleaseWithoutOverflow) {
    auto root = std::make_shared<XmlElement>("d");
    auto current = root;
    for (int i = 0; i < 1000000; ++i)
        current = current->addChild("d");
    current.reset();
    root.reset();
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
    EXPECT_EQ(element.readString("Empty", "d"), "");
    EXPECT_EQ(element.readString("Missing", "d"), "d");
    EXPECT_EQ(holding("Box")->readString("V", "d"), "Box");

    EXPECT_TRUE(holding("1")->readBool("V", false));
    EXPECT_TRUE(holding("True")->readBool("V", false));
    for (const char* text : {"TRUE", "yes", ""})
        EXPECT_FALSE(holding(text)->readBool("V", true));
    EXPECT_TRUE(element.readBool("Missing", true));
}

TEST(XmlElementReaders, IntegersAreStrictAndFallBackToDefault) {
    EXPECT_EQ(holding("+42")->readInteger("V", 0), 42);
    EXPECT_EQ(holding("-7")->readInteger("V", 0), -7);
    EXPECT_EQ(holding("9223372036854775807")->readInteger("V", 0), INT64_MAX);
    EXPECT_EQ(holding("-9223372036854775808")->readInteger("V", 0), INT64_MIN);
    EXPECT_EQ(holding("-0")->readUInt("V", 9), 0u);
    EXPECT_EQ(holding("18446744073709551615")->readUInt("V", 0), UINT64_MAX);
    EXPECT_EQ(XmlElement("E").readInteger("Missing", 5), 5);

    for (const char* bad : {"", "abc", "12.5", " 42", "42 ", "+", "--1", "1e3", "0x10", "-1",
                            "18446744073709551616"}) {
        EXPECT_EQ(holding(bad)->readUInt("V", 77), 77u) << '"' << bad << '"';
        if (std::string(bad) != "-1") {
            EXPECT_EQ(holding(bad)->readInteger("V", 77), 77) << '"' << bad << '"';
        }
    }
    EXPECT_EQ(holding("9223372036854775808")->readInteger("V", 77), 77);
    EXPECT_EQ(holding("-9223372036854775809")->readInteger("V", 77), 77);
}

TEST(XmlElementReaders, DoublesAreLenient) {
    EXPECT_DOUBLE_EQ(holding("12.5mm")->readDouble("V", 1), 12.5);
    EXPECT_DOUBLE_EQ(holding("abc")->readDouble("V", 1), 0.0);
    EXPECT_DOUBLE_EQ(XmlElement("E").readDouble("Missing", 1), 1.0);
    EXPECT_EQ(XmlElement("E").readDoubleOpt("Missing"), std::nullopt);
    EXPECT_EQ(holding("abc")->readDoubleOpt("V"), 0.0);
}

TEST(XmlElementReaders, Colors) {
    auto fallback = std::make_shared<Color>(0.1, 0.2, 0.3);
    EXPECT_EQ(XmlElement("E").readColor("Missing", fallback), fallback);
    auto fill = holding("#80FF0000")->readColor("V", fallback);
    ASSERT_NE(fill, nullptr);
    EXPECT_DOUBLE_EQ(fill->alpha(), 128 / 255.0);
    EXPECT_DOUBLE_EQ(fill->red(), 1.0);
    auto bad = holding("red")->readColor("V", fallback);
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(*bad, *Colors::Black());
}
