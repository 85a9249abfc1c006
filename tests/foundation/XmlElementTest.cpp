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
#include "Nodeloom/foundation/UnicodeSpace.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"

using nodeloom::Color;
using nodeloom::Colors;
using nodeloom::XmlDomBuilder;
using nodeloom::XmlElement;
using nodeloom::XmlStreamWriter;

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

namespace {

const std::string kFffd = "\xEF\xBF\xBD";

std::string repeated(const std::string& text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i)
        out += text;
    return out;
}

// The tree written to a file and parsed again; null when the parse refuses it.
std::shared_ptr<XmlElement> readBack(const XmlElement& element) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-xml-back-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path, std::ios::binary) << element.getXmlAsString(0);
    XmlDomBuilder builder;
    const bool read = builder.parseFile(path);
    std::filesystem::remove(path);
    return read ? builder.root() : nullptr;
}

// Pieces of text XML carries as they are, markup and the blanks the parser would change
// included.
const std::vector<std::string> kLegalPieces{
    "a", "Z", " ", "\t", "\n", "\r", "\r\n", "&", "<", ">", "\"", "'", "\x7F", "\xC2\x85",
    "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9D\x84\x9E", "\xEF\xBF\xBD", "]]>", "&amp;"};

// A text of legal pieces when `legalOnly`, else also of bytes of every kind: controls, NUL,
// stray continuations, lone surrogates, overlong forms, values past U+10FFFF, cut sequences and
// the two non-characters XML refuses.
std::string randomText(std::mt19937& random, bool legalOnly) {
    static const std::vector<std::string> illegal{
        std::string(1, '\0'), "\x01", "\x1F", "\x80", "\xBF", "\xC0\x80", "\xC1\xBF",
        "\xE0\x80\x80", "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80", "\xFF",
        "\xE2\x82", "\xF0\x9D", "\xEF\xBF\xBE", "\xEF\xBF\xBF"};
    std::string text;
    const int count = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 0; i < count; ++i) {
        const unsigned kind = random() % 4;
        if (legalOnly || kind < 2)
            text += kLegalPieces[random() % kLegalPieces.size()];
        else if (kind == 2)
            text += illegal[random() % illegal.size()];
        else
            text += static_cast<char>(random() % 256);
    }
    return text;
}

}  // namespace

// Each character XML cannot carry is written as U+FFFD, one for each maximal ill-formed byte
// sequence; every other character is written so that the parser gives it back.
TEST(XmlElementWriter, WritesOnlyWhatXmlCanCarry) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {std::string("a\0b", 3), "a" + kFffd + "b"},
        {"\x01\x08\x0B\x0C\x1F", repeated(kFffd, 5)},
        {"\xFF\xFE", repeated(kFffd, 2)},
        {"\xC0\x80", repeated(kFffd, 2)},
        {"\xED\xA0\x80", repeated(kFffd, 3)},
        {"\xF4\x90\x80\x80", repeated(kFffd, 4)},
        {"\xEF\xBF\xBE|\xEF\xBF\xBF", kFffd + "|" + kFffd},
        {"x\xE2\x82", "x" + kFffd},
        {"\xE2\x82x", kFffd + "x"},
        {"\xF0\x9D\x84", kFffd},
        {"\x80\x80", repeated(kFffd, 2)},
        // Kept as they are: tab, line feed, DEL, C1 controls, U+FFFD and characters of every
        // length.
        {"\t\n\x7F\xC2\x85\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD\xF0\x9D\x84\x9E\xF4\x8F\xBF\xBF",
         "\t\n\x7F\xC2\x85\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD\xF0\x9D\x84\x9E\xF4\x8F\xBF\xBF"},
        {"x\ty\nz", "x\ty\nz"},
        // The parser would make a carriage return a line feed.
        {"a\rb\r\nc", "a&#13;b&#13;\nc"},
    };
    for (const auto& [text, written] : cases) {
        SCOPED_TRACE(testing::PrintToString(text));
        XmlElement element("T");
        element.setText(text);
        EXPECT_EQ(element.getXmlAsString(0), "<T>" + written + "</T>\n");
    }

    // In an attribute value tab, line feed and carriage return would read as spaces.
    XmlElement node("Node");
    node.attributes()["Id"] = std::string("\t\n\r\x01'\xFF", 6);
    EXPECT_EQ(node.getXmlAsString(0), "<Node Id=\"&#9;&#10;&#13;" + kFffd + "'" + kFffd + "\"/>\n");
}

// Names come from code, the host's included: one that could not be read back is written with an
// underscore for each character that cannot stand in a name at its place.
TEST(XmlElementWriter, NamesAreAlwaysReadable) {
    auto root = std::make_shared<XmlElement>("my value");
    root->attributes()["1st key"] = "v";
    root->addChild(std::string("a\x01\xFF", 3), "x");
    root->addChild("", "y");
    root->addChild("Gr\xC3\xB6\xC3\x9F" "e-2.x:y", "z");
    root->addChild("\xE2\x82\xAC\xC3\xA9", "w");
    EXPECT_EQ(root->getXmlAsString(0),
              "<my_value _st_key=\"v\">\n    <a__>x</a__>\n    <_>y</_>\n"
              "    <Gr\xC3\xB6\xC3\x9F" "e-2.x:y>z</Gr\xC3\xB6\xC3\x9F" "e-2.x:y>\n    <_\xC3\xA9>w</_\xC3\xA9>\n"
              "</my_value>\n");
    EXPECT_NE(readBack(*root), nullptr);

    // A changed key that meets another is made one of its own: nothing is written twice.
    XmlElement keys("K");
    keys.setAttributes({{"a b", "1"}, {"a_b", "2"}, {"a<b", "3"}});
    EXPECT_EQ(keys.getXmlAsString(0), "<K a_b_=\"1\" a_b__=\"3\" a_b=\"2\"/>\n");

    // The streaming writer ends its open elements with the same names.
    std::string streamed;
    XmlStreamWriter writer(streamed);
    writer.open(*root);
    for (const auto& child : std::as_const(*root).children())
        writer.write(*child);
    writer.close();
    EXPECT_EQ(streamed, root->getXmlAsString(0));
}

// Whatever bytes a text holds, what is written parses, and parsing and writing again gives the
// same text. A text XML can carry reads back unchanged: in an attribute value whole, as element
// text but for the blanks at its ends, which the parser trims.
TEST(XmlElementWriter, EveryTextReadsBack) {
    std::mt19937 random(7);
    const auto roundTrip = [](const std::string& text, const std::string& value) {
        XmlElement element("Root");
        element.addChild("Text", text);
        element.addChild("Value")->attributes()["V"] = value;
        std::pair<std::string, std::string> back{"-", "-"};
        if (const auto root = readBack(element)) {
            back.first = root->readString("Text", "-");
            if (const auto child = root->getChild("Value"))
                back.second = child->attributes().count("V") ? child->attributes().at("V") : "-";
        }
        return back;
    };
    for (int round = 0; round < 600; ++round) {
        SCOPED_TRACE(round);
        const bool legal = round % 2 == 0;
        const std::string text = randomText(random, legal);
        const std::string value = randomText(random, legal);
        const auto [textBack, valueBack] = roundTrip(text, value);
        ASSERT_NE(textBack, "-");
        ASSERT_NE(valueBack, "-");
        EXPECT_EQ(roundTrip(textBack, valueBack), std::make_pair(textBack, valueBack));
        // The same bytes as names.
        XmlElement named(text);
        named.attributes()[value] = "v";
        named.addChild(value, text);
        EXPECT_NE(readBack(named), nullptr) << named.getXmlAsString(0);
        if (!legal) continue;
        EXPECT_EQ(textBack, nodeloom::trimUnicodeSpace(text));
        EXPECT_EQ(valueBack, value);
    }
}

// A parsed tree written out reads back as the same tree: its text nodes are written as text.
TEST(XmlElementWriter, AParsedTreeReadsBackAsItWas) {
    XmlElement source("a");
    source.attributes()["k"] = "1";
    source.addChild("b", "x & y");
    auto c = source.addChild("c");
    c->addChild("d");
    c->addChild("", "tail");
    const auto first = readBack(source);
    ASSERT_NE(first, nullptr);
    const std::string written = first->getXmlAsString(0);
    EXPECT_EQ(written.find("<_"), std::string::npos) << written;
    const auto second = readBack(*first);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->getXmlAsString(0), written);
    EXPECT_EQ(second->getChild("b")->getInnerText(), "x & y");
    const auto text = second->getChild("c")->getChild("");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), "tail");
}
