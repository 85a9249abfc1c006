#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Nodeloom/foundation/XmlDomBuilder.h"

using nodeloom::XmlDomBuilder;
using nodeloom::XmlElement;

namespace {

namespace fs = std::filesystem;

fs::path writeTemporary(const std::string& content) {
    static int counter = 0;
    const fs::path path =
        fs::temp_directory_path() /
        ("nodeloom-xml-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".xml");
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::shared_ptr<XmlElement> parse(const std::string& content) {
    const fs::path path = writeTemporary(content);
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    fs::remove(path);
    return whole ? builder.root() : nullptr;
}

// The text of the only child, which must be a text node.
std::string onlyText(const std::shared_ptr<XmlElement>& element) {
    if (!element || element->children().size() != 1) return "<not one child>";
    const auto& child = element->children().front();
    return child->name().empty() ? child->text() : "<not a text node>";
}

}  // namespace

TEST(XmlDomBuilder, BuildsElementsInDocumentOrder) {
    auto root = parse(
        "<Diagram>\n  <Nodes>\n    <Node Id=\"1\"/>\n    <Node Id=\"2\" Class=\"x\"></Node>\n"
        "  </Nodes>\n  <x:Links/>\n</Diagram>\n");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name(), "Diagram");
    ASSERT_EQ(root->children().size(), 2u);
    auto nodes = root->children()[0];
    EXPECT_EQ(root->children()[1]->name(), "x:Links");
    ASSERT_EQ(nodes->children().size(), 2u);
    EXPECT_EQ(nodes->children()[0]->attributes().at("Id"), "1");
    EXPECT_EQ(nodes->children()[1]->attributes().at("Class"), "x");
    EXPECT_TRUE(nodes->children()[1]->children().empty());
    EXPECT_EQ(nodes->parent(), nullptr);
}

TEST(XmlDomBuilder, TextBecomesOneTrimmedTextNode) {
    auto root = parse("<Node><Bounds>\n   1,2,3,4\n</Bounds><Blank> \n\t </Blank></Node>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(onlyText(root->getChild("Bounds")), "1,2,3,4");
    EXPECT_EQ(root->readString("Bounds", "d"), "1,2,3,4");
    EXPECT_TRUE(root->getChild("Blank")->children().empty());

    // Entity references join the surrounding text; inner white space stays.
    EXPECT_EQ(onlyText(parse("<T> a &amp;  b&#x20AC; </T>")), "a &  b\u20AC");
    // Unicode separators are trimmed; a zero-width space is not white space.
    EXPECT_EQ(onlyText(parse("<T>\u00A0\u3000x\u2028y\u2029\u200A</T>")), "x\u2028y");
    EXPECT_EQ(onlyText(parse("<T>\u200Bx</T>")), "\u200Bx");
}

TEST(XmlDomBuilder, PendingTextGoesToTheNextEndTag) {
    auto a = parse("<a>x<b>y</b></a>");
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(a->children().size(), 1u);
    EXPECT_EQ(onlyText(a->getChild("b")), "xy");
}

TEST(XmlDomBuilder, CdataCommentsAndInstructionsStayOut) {
    auto root = parse("<?xml version=\"1.0\"?><!-- c --><R><![CDATA[hidden]]><?pi x?>shown</R>");
    EXPECT_EQ(onlyText(root), "shown");
}

TEST(XmlDomBuilder, LongTextAcrossReadChunksArrivesWhole) {
    const std::string text(1'000'000, 'z');
    EXPECT_EQ(onlyText(parse("<T>" + text + "</T>")), text);
}

TEST(XmlDomBuilder, MalformedDocumentKeepsWhatWasBuilt) {
    XmlDomBuilder builder;
    EXPECT_FALSE(builder.parseFile(std::string(NODELOOM_TEST_DATA_DIR) + "/xml/truncated.xml"));
    auto root = builder.root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->name(), "Diagram");
    // Nodes was closed before the error; Links was still open and never joined the root.
    ASSERT_EQ(root->children().size(), 1u);
    auto nodes = root->getChild("Nodes");
    ASSERT_EQ(nodes->children().size(), 2u);
    EXPECT_EQ(nodes->children()[1]->readString("Bounds", ""), "1,2,3,4");

    // A later parse with the same builder leaves the first tree alone, and its elements are not
    // taken in by the ones the failed parse left open.
    const fs::path second = writeTemporary("<Other><Child/></Other>");
    EXPECT_TRUE(builder.parseFile(second.string()));
    fs::remove(second);
    EXPECT_EQ(builder.root(), root);
    EXPECT_EQ(root->children().size(), 1u);
}

TEST(XmlDomBuilder, UnreadableOrEmptyFilesLeaveNoRoot) {
    XmlDomBuilder builder;
    EXPECT_FALSE(builder.parseFile("/nonexistent/nodeloom/file.xml"));
    EXPECT_FALSE(builder.parseFile(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(builder.parseFile(fs::temp_directory_path()));
    EXPECT_EQ(builder.root(), nullptr);
    EXPECT_EQ(builder.getXmlContent(), "");
    EXPECT_EQ(parse(""), nullptr);
    EXPECT_EQ(parse("not xml"), nullptr);
}

TEST(XmlDomBuilder, DeepNestingParsesAndReleases) {
    constexpr int depth = 100000;
    std::string text;
    for (int i = 0; i < depth; ++i)
        text += "<d>";
    for (int i = 0; i < depth; ++i)
        text += "</d>";
    auto root = parse(text);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->children().size(), 1u);
}

TEST(XmlDomBuilder, WrittenTreeReadsBackUnchanged) {
    XmlDomBuilder writer;
    auto diagram = writer.createElement("Diagram");
    writer.addChild(diagram);
    EXPECT_EQ(writer.getXmlContent(), "<Diagram/>\n");

    diagram->attributes()["Version"] = "16";
    auto node = diagram->addChild("Node", "", {{"Id", "a&b <c> \"d\" 'e'"}});
    node->addChild("Text", "x < y & 'z' \"w\"");
    const fs::path path = writeTemporary(writer.getXmlContent());
    XmlDomBuilder reader;
    const bool whole = reader.parseFile(path);
    fs::remove(path);

    ASSERT_TRUE(whole);
    ASSERT_NE(reader.root(), nullptr);
    auto read = reader.root()->getChild("Node");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->attributes().at("Id"), "a&b <c> \"d\" 'e'");
    EXPECT_EQ(read->readString("Text", ""), "x < y & 'z' \"w\"");
}

// Each read among many children answers what a search from the first child would: the first
// child of the name, its text node's text, or the default for a child that is missing.
TEST(XmlDomBuilder, ReadsAmongManyChildrenFindTheFirstOfEachName) {
    std::string xml = "<Item>";
    for (int i = 0; i < 30; ++i)
        xml += "<P" + std::to_string(i % 20) + ">" + std::to_string(i) + "</P" +
               std::to_string(i % 20) + ">";
    xml += "<Empty/><Nested><A>1</A>text</Nested>  tail  </Item>";
    auto root = parse(xml);
    ASSERT_NE(root, nullptr);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(root->readInteger("P" + std::to_string(i), -1), i);
    EXPECT_EQ(root->readInteger("P20", -1), -1);
    EXPECT_EQ(root->readString("Empty", "default"), "");
    // The first child of Nested is an element: its text (none) is what a read gives.
    EXPECT_EQ(root->readString("Nested", "default"), "");
    EXPECT_EQ(root->getChild("Nested")->getInnerText(), "");
    EXPECT_EQ(root->getChild("P3")->getInnerText(), "3");

    // The text node follows the element children, wherever the text stood.
    const auto nested = root->getChild("Nested");
    ASSERT_EQ(nested->children().size(), 2u);
    EXPECT_EQ(nested->children()[1]->name(), "");
    EXPECT_EQ(nested->children()[1]->text(), "text");
    EXPECT_EQ(nested->text(), "");
    EXPECT_EQ(root->children().back()->text(), "tail");
    EXPECT_EQ(root->getChild("")->text(), "tail");

    // Children changed through the list are found by the next read.
    auto added = std::make_shared<XmlElement>("P20");
    added->addChild(std::make_shared<XmlElement>());
    added->children().front()->setText("20");
    root->children().insert(root->children().begin(), added);
    EXPECT_EQ(root->readInteger("P20", -1), 20);
    root->children().erase(root->children().begin(), root->children().begin() + 5);
    EXPECT_EQ(root->readInteger("P0", -1), 20);
    EXPECT_EQ(root->readInteger("P20", -1), -1);
}

TEST(XmlDomBuilder, TrimsUnicodeBlanksButKeepsOtherCharacters) {
    // Ideographic space and no-break space around, an accented letter and a dash inside.
    auto root = parse("<a>\xE3\x80\x80\xC2\xA0 \xC3\xA9t\xC3\xA9 \xE2\x80\x94\t\xC2\xA0</a>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(onlyText(root), "\xC3\xA9t\xC3\xA9 \xE2\x80\x94");
    EXPECT_EQ(onlyText(parse("<a>\xC2\xA0\xC2\xA0</a>")), "<not one child>");
}
