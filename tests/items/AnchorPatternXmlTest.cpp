#include <gtest/gtest.h>

#include <unistd.h>

#include <any>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/AnchorPattern.h"

using namespace nodeloom;

namespace {

std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-anchors-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    std::filesystem::remove(path);
    return whole ? builder.root() : nullptr;
}

// Writes the pattern as the "AnchorPattern" child of a node element and reads the file text back.
std::shared_ptr<XmlElement> writeAndReparse(const std::shared_ptr<AnchorPattern>& pattern) {
    XmlContext context;
    auto node = std::make_shared<XmlElement>("Node");
    context.writeAnchorPattern(pattern, "AnchorPattern", node);
    return parse(node->getXmlAsString(0));
}

}  // namespace

TEST(AnchorPatternXml, ANamedPatternTravelsByItsName) {
    auto named = AnchorPattern::create({std::make_shared<AnchorPoint>(1, 2)}, "xml-named");
    auto node = writeAndReparse(named);
    EXPECT_EQ(node->getChild("AnchorPattern")->attributes().at("Id"), "xml-named");
    EXPECT_EQ(node->getChild("AnchorPattern")->getChild("Points"), nullptr);

    XmlContext context;
    EXPECT_EQ(context.readAnchorPattern("AnchorPattern", node, false), named);
    // Asked to read inline, the reference gives a new pattern with what the element holds.
    auto inline_ = context.readAnchorPattern("AnchorPattern", node, true);
    ASSERT_NE(inline_, nullptr);
    EXPECT_TRUE(inline_->points().empty());
    // A name this process does not know gives no pattern; predefined names always resolve.
    EXPECT_EQ(
        context.readAnchorPattern("AnchorPattern",
                                  parse("<Node><AnchorPattern Id='xml-elsewhere'/></Node>"), false),
        nullptr);
    EXPECT_EQ(
        context.readAnchorPattern(
            "AnchorPattern", parse("<Node><AnchorPattern Id='LeftInRightOut'/></Node>"), false),
        AnchorPattern::fromId("LeftInRightOut"));
}

TEST(AnchorPatternXml, AnUnnamedPatternTravelsInFull) {
    auto first =
        std::make_shared<AnchorPoint>(12.5, 100, false, true, MarkStyle::rectangle, Colors::Red());
    first->setCol(4);
    first->setTag(std::string("kept only in memory"));
    first->setToolTip(std::string("outlet"));
    auto second = std::make_shared<AnchorPoint>(0, 50);
    second->setXUnit(UnitType::fixed);
    auto node = writeAndReparse(
        std::make_shared<AnchorPattern>(std::vector<std::shared_ptr<AnchorPoint>>{first, second}));
    auto points = node->getChild("AnchorPattern")->getChild("Points");
    EXPECT_EQ(points->attributes().at("Count"), "2");
    EXPECT_EQ(points->getAllChildren("AnchorPoint")[0]->readString("Tag", "?"),
              "kept only in memory");

    XmlContext context;
    auto read = context.readAnchorPattern("AnchorPattern", node, false);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->points().size(), 2u);
    const auto& a = *read->points()[0];
    EXPECT_EQ(Point(a.x(), a.y()), Point(12.5, 100));
    EXPECT_FALSE(a.allowIncoming());
    EXPECT_TRUE(a.allowOutgoing());
    EXPECT_EQ(a.markStyle(), MarkStyle::rectangle);
    EXPECT_EQ(*a.color(), *Colors::Red());
    EXPECT_EQ(a.col(), 4);
    EXPECT_EQ(std::any_cast<std::string>(a.toolTip()), "outlet");
    // The tag is not read back, and units come back as percentages.
    EXPECT_FALSE(a.tag().has_value());
    EXPECT_EQ(read->points()[1]->xUnit(), UnitType::percentage);
    EXPECT_FALSE(read->points()[1]->toolTip().has_value());
}

TEST(AnchorPatternXml, MissingAndMalformedContent) {
    XmlContext context;
    auto node = std::make_shared<XmlElement>("Node");
    EXPECT_EQ(context.writeAnchorPattern(nullptr, "AnchorPattern", node), nullptr);
    EXPECT_TRUE(node->children().empty());
    EXPECT_EQ(context.readAnchorPattern("AnchorPattern", nullptr, false), nullptr);
    EXPECT_EQ(context.readAnchorPattern("AnchorPattern", parse("<Node/>"), false), nullptr);

    // Values that cannot be read fall back to a new point's values.
    auto bad = parse(
        "<Node><AnchorPattern><Points Count='9'><AnchorPoint>"
        "<X>nan</X><Y>x</Y><MarkStyle>17</MarkStyle><Column>99999999999</Column>"
        "</AnchorPoint></Points></AnchorPattern></Node>");
    auto read = context.readAnchorPattern("AnchorPattern", bad, false);
    ASSERT_EQ(read->points().size(), 1u);
    const auto& p = *read->points()[0];
    EXPECT_EQ(Point(p.x(), p.y()), Point(0, 0));
    EXPECT_EQ(p.markStyle(), MarkStyle::x);
    EXPECT_EQ(p.col(), -1);
    EXPECT_TRUE(p.allowIncoming());
}
