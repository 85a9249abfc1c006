#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"

using nodeloom::Color;
using nodeloom::Colors;
using nodeloom::XmlDomBuilder;
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

namespace {

// A child shaped as the parser shapes it: its text in a text node.
std::shared_ptr<XmlElement> parsedLike(const std::string& name, const std::string& text) {
    auto child = std::make_shared<XmlElement>(name);
    if (!text.empty()) {
        auto textNode = std::make_shared<XmlElement>();
        textNode->setText(text);
        child->addChild(textNode);
    }
    return child;
}

using Model = std::vector<std::pair<std::string, std::string>>;

// The item holding the model's children, built by code, parsed, or parsed with its content kept.
std::shared_ptr<XmlElement> makeItem(const Model& model, int how, XmlDomBuilder& builder) {
    if (how == 0) {
        auto item = std::make_shared<XmlElement>("Node");
        for (const auto& [name, text] : model)
            item->addChild(parsedLike(name, text));
        return item;
    }
    std::string document = "<Diagram><Nodes><Node>";
    for (const auto& [name, text] : model)
        document += "<" + name + ">" + text + "</" + name + ">";
    document += "</Node></Nodes></Diagram>";
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-element-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path, std::ios::binary) << document;
    const bool parsed =
        how == 1 ? builder.parseFile(path) : builder.parseFileKeeping(path, {"Nodes"});
    std::filesystem::remove(path);
    if (!parsed || !builder.root()) return nullptr;
    return builder.root()->getChild("Nodes")->getChild("Node");
}

}  // namespace

// Whatever changes the children and their names, and in whatever order the reads come, a read
// by name gives what a walk of the children in order gives.
TEST(XmlElementTree, ReadsByNameFollowEveryChange) {
    std::mt19937 random(41);
    const std::vector<std::string> names{"A", "B", "Bounds", "Text", "Point", "Z"};
    const auto pick = [&random](std::size_t size) {
        return std::uniform_int_distribution<std::size_t>(0, size - 1)(random);
    };
    for (int round = 0; round < 300; ++round) {
        Model model;
        const std::size_t count = pick(30);
        for (std::size_t i = 0; i < count; ++i)
            model.emplace_back(names[pick(names.size() - 1)], "t" + std::to_string(i));
        XmlDomBuilder builder;
        const int how = round % 3;
        const auto item = makeItem(model, how, builder);
        ASSERT_NE(item, nullptr);
        XmlElement::Children* held = nullptr;
        for (int step = 0; step < 40; ++step) {
            const std::string& from = names[pick(names.size())];
            const std::string& to = names[pick(names.size())];
            const auto first = std::find_if(model.begin(), model.end(),
                                            [&from](const auto& c) { return c.first == from; });
            switch (pick(8)) {
                case 0:
                    if (auto child = item->getChild(from)) child->setName(to);
                    if (first != model.end()) first->first = to;
                    break;
                case 1:
                    if (!model.empty()) {
                        const std::size_t i = pick(model.size());
                        item->children()[i]->setName(to);
                        model[i].first = to;
                    }
                    break;
                case 2:
                    held = &item->children();
                    break;
                case 3:
                    if (held != nullptr && !model.empty()) {
                        const std::size_t i = pick(model.size());
                        (*held)[i] = parsedLike(to, "r" + std::to_string(step));
                        model[i] = {to, "r" + std::to_string(step)};
                    }
                    break;
                case 4:
                    if (held != nullptr && !model.empty()) {
                        const std::size_t i = pick(model.size());
                        held->erase(held->begin() + static_cast<std::ptrdiff_t>(i));
                        model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
                    }
                    break;
                case 5:
                    item->addChild(parsedLike(to, "a" + std::to_string(step)));
                    model.emplace_back(to, "a" + std::to_string(step));
                    break;
                default:
                    break;
            }
            for (const std::string& name : names) {
                const auto expected = std::find_if(
                    model.begin(), model.end(), [&name](const auto& c) { return c.first == name; });
                const std::string text = expected == model.end() ? "-" : expected->second;
                ASSERT_EQ(item->readString(name, "-"), text) << round << " " << step << " " << name;
                const auto child = item->getChild(name);
                ASSERT_EQ(child ? child->getInnerText() : "-", text) << round << " " << step;
            }
        }
        const auto& children = std::as_const(*item).children();
        ASSERT_EQ(children.size(), model.size());
        for (std::size_t i = 0; i < model.size(); ++i)
            ASSERT_EQ(children[i]->name(), model[i].first) << round << " " << i;
    }
}
