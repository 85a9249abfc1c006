// A parse that keeps the content of the items two levels down for later must, once each kept
// element is expanded, give exactly the tree a plain parse gives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "Nodeloom/foundation/XmlDomBuilder.h"

using nodeloom::XmlDomBuilder;
using nodeloom::XmlElement;

namespace {

namespace fs = std::filesystem;

class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& content) {
        static int counter = 0;
        path_ = fs::temp_directory_path() / ("nodeloom-kept-" + std::to_string(::getpid()) + "-" +
                                             std::to_string(counter++) + ".xml");
        std::ofstream(path_, std::ios::binary) << content;
    }
    ~TemporaryFile() {
        std::error_code error;
        fs::remove(path_, error);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Names, attributes, text nodes and order, written out so that two trees compare as text.
void dump(const XmlElement& element, std::string& out) {
    out += '<';
    out += element.name();
    for (const auto& [key, value] : element.attributes())
        out += ' ' + key + "='" + value + "'";
    out += '>';
    if (element.name().empty()) out += "[" + element.text() + "]";
    for (const auto& child : element.children()) {
        if (child) dump(*child, out);
    }
    out += "</>";
}

std::string plainTree(const std::string& content) {
    TemporaryFile file(content);
    XmlDomBuilder builder;
    if (!builder.parseFile(file.path()) || !builder.root()) return "<refused>";
    std::string out;
    dump(*builder.root(), out);
    return out;
}

const std::vector<std::string> kSections{"Nodes", "Links"};

std::string plainText(const std::string& content) {
    TemporaryFile file(content);
    XmlDomBuilder builder;
    if (!builder.parseFile(file.path())) return "<refused>";
    return builder.getXmlContent();
}

// Parses keeping the items' content, expands every item (or leaves it to the readers) and
// answers the whole tree.
std::string keptTree(const std::string& content, int* expanded = nullptr, bool expand = true) {
    TemporaryFile file(content);
    XmlDomBuilder builder;
    if (!builder.parseFileKeeping(file.path(), kSections) || !builder.root()) return "<refused>";
    int count = 0;
    for (const auto& section : builder.root()->children()) {
        if (!expand || !section || (section->name() != "Nodes" && section->name() != "Links"))
            continue;
        for (const auto& item : section->children())
            count += builder.expand(item) ? 1 : 0;
    }
    if (expanded != nullptr) *expanded = count;
    std::string out;
    dump(*builder.root(), out);
    return out;
}

// The text of a tree parsed keeping the items' content, written before anything was read.
std::string keptText(const std::string& content) {
    TemporaryFile file(content);
    XmlDomBuilder builder;
    if (!builder.parseFileKeeping(file.path(), kSections)) return "<refused>";
    return builder.getXmlContent();
}

}  // namespace

TEST(XmlKeptContent, ExpandedItemsMatchThePlainParse) {
    const std::vector<std::string> documents{
        // The usual shape: items with leaf properties, nested lists and references.
        "<Diagram Version=\"16\">\n  <Nodes>\n    <Node Class=\"std:ShapeNode\" Id=\"0\">\n"
        "      <Bounds>0, 0, 20, 12</Bounds>\n      <Text>node &amp; 0</Text>\n"
        "      <Tag/>\n      <Shape Id=\"Rect\"/>\n    </Node>\n  </Nodes>\n  <Links>\n"
        "    <Link Class=\"std:DiagramLink\" Id=\"1\">\n      <Points>\n"
        "        <Point>1, 2</Point>\n        <Point>3, 4</Point>\n      </Points>\n"
        "      <Origin Id=\"0\"/>\n    </Link>\n  </Links>\n  <Properties><Bounds>1</Bounds>"
        "</Properties>\n</Diagram>\n",
        // Text before, between and after an item's children, which goes to the next end tag.
        "<Diagram><Nodes> lead <Node Id=\"1\">first<A>a</A> middle <B/> last </Node> tail "
        "</Nodes></Diagram>",
        // An item with only text, an empty item, and items that are not two levels down.
        "<Diagram><Nodes><Node>just text</Node><Node/><Node Id=\"2\"></Node></Nodes>"
        "<Other><Node><Deep>x</Deep></Node></Other></Diagram>",
        // Deep nesting, CDATA (left out), comments, entities and Unicode blanks.
        "<Diagram><Links><Link><L1><L2><L3 a=\"&lt;&quot;\">\xC2\xA0 v \xE2\x80\x83</L3></L2>"
        "<![CDATA[ hidden ]]><!-- note --></L1>  <L1>second</L1></Link></Links></Diagram>",
        // A section that is also a property name elsewhere, and repeated names.
        "<Diagram><Nodes><Node><Nodes><Node>inner</Node></Nodes><P>1</P><P>2</P></Node>"
        "</Nodes></Diagram>",
    };
    int expanded = 0;
    for (const std::string& document : documents) {
        int count = 0;
        EXPECT_EQ(keptTree(document, &count), plainTree(document)) << document;
        expanded += count;
    }
    EXPECT_EQ(expanded, 5);
}

TEST(XmlKeptContent, RandomDocumentsMatchThePlainParse) {
    std::mt19937 random(11);
    const std::vector<std::string> names{"Node", "Link", "Nodes", "Links", "A", "Bounds",
                                         "Point", "Points", "Text"};
    const std::vector<std::string> texts{"", " ", "\n    ", "x", " two words ", "&amp;", "1.5",
                                         "\xC2\xA0", "<![CDATA[c]]>", "<!--c-->"};
    const auto pick = [&random](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random)];
    };
    for (int round = 0; round < 200; ++round) {
        std::string document = "<Diagram>";
        std::vector<std::string> open;
        const int events = std::uniform_int_distribution<int>(1, 60)(random);
        for (int i = 0; i < events; ++i) {
            document += pick(texts);
            const int choice = std::uniform_int_distribution<int>(0, 2)(random);
            if (choice == 0 && open.size() < 6) {
                // Sections sit right below the root more often than chance would put them.
                std::string name = open.empty() && (random() % 2 == 0)
                                       ? (random() % 2 == 0 ? "Nodes" : "Links")
                                       : pick(names);
                document += "<" + name;
                if (random() % 3 == 0) document += " Id=\"" + std::to_string(random() % 9) + "\"";
                document += ">";
                open.push_back(name);
            } else if (choice == 1 && !open.empty()) {
                document += "</" + open.back() + ">";
                open.pop_back();
            } else {
                document += "<" + pick(names) + "/>";
            }
        }
        while (!open.empty()) {
            document += pick(texts) + "</" + open.back() + ">";
            open.pop_back();
        }
        document += "</Diagram>";
        const std::string plain = plainTree(document);
        ASSERT_EQ(keptTree(document), plain) << document;
        ASSERT_EQ(keptTree(document, nullptr, false), plain) << document;
        ASSERT_EQ(keptText(document), plainText(document)) << document;
    }
}

TEST(XmlKeptContent, KeptItemsShowTheirContentToEveryReader) {
    TemporaryFile file(
        "<Diagram><Nodes><Node Id=\"1\"><A>a</A><B>b</B>t</Node><Node Id=\"2\"><C/></Node>"
        "<Node Id=\"3\"><D>d</D></Node></Nodes><Rest><X>x</X></Rest></Diagram>");
    XmlDomBuilder builder;
    ASSERT_TRUE(builder.parseFileKeeping(file.path(), kSections));
    const auto root = builder.root();
    ASSERT_NE(root, nullptr);
    const auto node = root->getChild("Nodes")->getChild("Node");
    ASSERT_NE(node, nullptr);
    // Nothing needs to be asked for first: the content is there for the first reader.
    EXPECT_EQ(node->attributes().at("Id"), "1");
    ASSERT_NE(node->getChild("A"), nullptr);
    EXPECT_EQ(node->getChild("A")->getInnerText(), "a");
    EXPECT_EQ(node->readString("B", ""), "b");
    EXPECT_EQ(node->children().size(), 3u);
    EXPECT_EQ(node->children().back()->text(), "t");
    // Once read, there is nothing left to expand; elements outside the sections never had any.
    EXPECT_FALSE(builder.expand(node));
    EXPECT_EQ(root->getChild("Rest")->readString("X", ""), "x");
    EXPECT_FALSE(builder.expand(root->getChild("Rest")));
    EXPECT_FALSE(builder.expand(nullptr));
    // An explicit expand of an untouched element makes it once.
    const auto third = root->getChild("Nodes")->children().at(2);
    EXPECT_TRUE(builder.expand(third));
    EXPECT_FALSE(builder.expand(third));
    EXPECT_EQ(third->readString("D", ""), "d");

    // The content belongs to the element, whatever the builder parses later.
    const auto second = root->getChild("Nodes")->children().at(1);
    ASSERT_TRUE(builder.parseFileKeeping(file.path(), kSections));
    ASSERT_EQ(second->children().size(), 1u);
    EXPECT_EQ(second->children().front()->name(), "C");
}

TEST(XmlKeptContent, MalformedDocumentIsRefused) {
    TemporaryFile file("<Diagram><Nodes><Node><A>a</A>");
    XmlDomBuilder builder;
    EXPECT_FALSE(builder.parseFileKeeping(file.path(), kSections));
    XmlDomBuilder missing;
    EXPECT_FALSE(missing.parseFileKeeping(file.path().string() + ".none", kSections));
    EXPECT_EQ(missing.root(), nullptr);
}

TEST(XmlKeptContent, ReadsBeforeTheChildrenAreMadeGiveWhatTheWholeTreeGives) {
    const std::string document =
        "<Diagram><Nodes><Node Id=\"1\">"
        "<Flag>True</Flag><Count>-42</Count><Size>1.5e2</Size><Fill>#FF102030</Fill>"
        "<Name> first </Name><Name>second</Name><Empty/><Ref Id=\"7\">r</Ref>"
        "<List><Item>a</Item><Item>b</Item></List>"
        "<A>1</A><B>2</B><C>3</C><D>4</D><E>5</E><F>6</F><G>7</G><H>8</H>"
        "own text</Node></Nodes></Diagram>";
    TemporaryFile file(document);
    XmlDomBuilder plain;
    ASSERT_TRUE(plain.parseFile(file.path()));
    XmlDomBuilder builder;
    ASSERT_TRUE(builder.parseFileKeeping(file.path(), kSections));
    const auto expected = plain.root()->getChild("Nodes")->getChild("Node");
    const auto node = builder.root()->getChild("Nodes")->getChild("Node");
    ASSERT_TRUE(builder.expand(node));

    for (const char* name : {"Flag", "Count", "Size", "Fill", "Name", "Empty", "Ref", "List",
                             "H", "Missing"}) {
        EXPECT_EQ(node->readString(name, "-"), expected->readString(name, "-")) << name;
        EXPECT_EQ(node->readBool(name, false), expected->readBool(name, false)) << name;
        EXPECT_EQ(node->readInteger(name, 9), expected->readInteger(name, 9)) << name;
        EXPECT_EQ(node->readUInt(name, 9), expected->readUInt(name, 9)) << name;
        EXPECT_EQ(node->readDoubleOpt(name), expected->readDoubleOpt(name)) << name;
        const auto color = node->readColor(name, nullptr);
        const auto expectedColor = expected->readColor(name, nullptr);
        ASSERT_EQ(color == nullptr, expectedColor == nullptr) << name;
        if (color) {
            EXPECT_EQ(color->toString(), expectedColor->toString()) << name;
        }
    }
    EXPECT_EQ(node->readString("Name", ""), "first");

    // An element asked for before the rest is the one the children hold afterwards.
    const auto ref = node->getChild("Ref");
    const auto flag = node->getChild("Flag");
    ASSERT_NE(ref, nullptr);
    ASSERT_NE(flag, nullptr);
    EXPECT_EQ(ref->attributes().at("Id"), "7");
    EXPECT_EQ(flag->getInnerText(), "True");
    EXPECT_EQ(node->getChild("Missing"), nullptr);
    EXPECT_EQ(node->getXmlAsString(0), expected->getXmlAsString(0));
    const auto& children = node->children();
    ASSERT_EQ(children.size(), expected->children().size());
    EXPECT_EQ(children[0], flag);
    EXPECT_EQ(children[7], ref);
    EXPECT_EQ(children.back()->text(), "own text");
    for (std::size_t i = 0; i < children.size(); ++i)
        EXPECT_EQ(children[i]->name(), expected->children()[i]->name());
}

TEST(XmlKeptContent, ChangingAnExpandedItemStartsFromItsWholeChildren) {
    TemporaryFile file("<Diagram><Nodes><Node><A>a</A><B>b</B></Node><Node><A>a</A></Node>"
                       "<Node><A>a</A></Node></Nodes></Diagram>");
    XmlDomBuilder plain;
    ASSERT_TRUE(plain.parseFile(file.path()));
    XmlDomBuilder builder;
    ASSERT_TRUE(builder.parseFileKeeping(file.path(), kSections));
    const auto& items = builder.root()->getChild("Nodes")->children();
    const auto& expected = plain.root()->getChild("Nodes")->children();
    ASSERT_EQ(items.size(), 3u);
    for (const auto& item : items)
        ASSERT_TRUE(builder.expand(item));

    for (const auto& tree : {items, expected}) {
        tree[0]->addChild("C", "c");
        tree[1]->setChildren({});
        tree[2]->setText("t");
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i]->getXmlAsString(0), expected[i]->getXmlAsString(0)) << i;
    EXPECT_EQ(items[1]->readString("A", "none"), "none");
}
