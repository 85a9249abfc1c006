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
