#include <gtest/gtest.h>

#include <cairo.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>

#include "Nodeloom/document/ClassDescriptor.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Metatype.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/platform/ImageSurface.h"

namespace nodeloom {
namespace {

// Built trees keep element text where only the writer sees it; reading goes through text and
// the parser, as a saved and reopened document does.
std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-xmlcontext-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    builder.parseFile(path);
    std::filesystem::remove(path);
    return builder.root();
}

std::shared_ptr<XmlElement> reparse(const std::shared_ptr<XmlElement>& element) {
    return parse(element->getXmlAsString(0));
}

std::string textOf(const std::shared_ptr<XmlElement>& element) {
    return element ? element->text() : "<null>";
}

std::string attribute(const std::shared_ptr<XmlElement>& element, const std::string& name) {
    if (!element) return "<null>";
    const auto it = element->attributes().find(name);
    return it == element->attributes().end() ? "<none>" : it->second;
}

enum class ThreeCases { first, second, third };

TEST(XmlContextWriters, NumbersUseTheShortestTextThatReadsBack) {
    XmlContext context;
    auto root = std::make_shared<XmlElement>("Root");
    EXPECT_EQ(textOf(context.writeDouble(4, "A", root)), "4.0");
    EXPECT_EQ(textOf(context.writeDouble(0.5, "A", root)), "0.5");
    EXPECT_EQ(textOf(context.writeDouble(0.00001, "A", root)), "1e-05");
    EXPECT_EQ(textOf(context.writeDouble(1e16, "A", root)), "1e+16");
    EXPECT_EQ(textOf(context.writeDouble(-1, "A", root)), "-1.0");
    EXPECT_EQ(textOf(context.writeDouble(0.1, "A", root)), "0.1");
    EXPECT_EQ(textOf(context.writeDouble(std::numeric_limits<double>::infinity(), "A", root)),
              "inf");
    EXPECT_EQ(textOf(context.writeDouble(-std::numeric_limits<double>::infinity(), "A", root)),
              "-inf");
    EXPECT_EQ(textOf(context.writeDouble(-std::numeric_limits<double>::quiet_NaN(), "A", root)),
              "nan");
    for (const double value : {1.0 / 3.0, 123456.789, 2.5e-300, 6.02214076e23}) {
        const auto text = XmlContext::doubleText(value);
        EXPECT_EQ(std::stod(text), value) << text;
    }
    EXPECT_FALSE(context.writeDoubleOpt(std::nullopt, "A", root));
    EXPECT_EQ(textOf(context.writeDoubleOpt(2.0, "A", root)), "2.0");
}

TEST(XmlContextWriters, ValuesBecomeChildElementText) {
    XmlContext context;
    auto root = std::make_shared<XmlElement>("Root");
    EXPECT_EQ(textOf(context.writeRectangle(Rect(10, 20, 50, 40), "Bounds", root)),
              "10.0, 20.0, 50.0, 40.0");
    EXPECT_EQ(textOf(context.writeRectangle(Rect(0, 0, 210, 297), "Bounds", root)),
              "0.0, 0.0, 210.0, 297.0");
    EXPECT_EQ(textOf(context.writePoint(Point(12.5, 40), "P", root)), "12.5, 40.0");
    const auto xy = context.writePoint(1.5, -2, "P", root);
    EXPECT_EQ(attribute(xy, "x"), "1.5");
    EXPECT_EQ(attribute(xy, "y"), "-2.0");
    EXPECT_TRUE(xy->text().empty());
    EXPECT_EQ(textOf(context.writeBool(true, "B", root)), "true");
    EXPECT_EQ(textOf(context.writeBool(false, "B", root)), "false");
    EXPECT_EQ(textOf(context.writeEnum(ThreeCases::third, "E", root)), "2");
    EXPECT_EQ(textOf(context.writeInt(-42, "I", root)), "-42");
    EXPECT_EQ(textOf(context.writeUInt(18446744073709551615ull, "U", root)),
              "18446744073709551615");
    EXPECT_EQ(textOf(context.writeByte(255, "Y", root)), "255");
    EXPECT_EQ(textOf(context.writeChar(U'\u00e9', "C", root)), "\xc3\xa9");
    EXPECT_EQ(textOf(context.writeChar(0xD800, "C", root)), "");
    EXPECT_EQ(textOf(context.writeColor(Color::fromRGB(255, 0, 0), "Color", root)), "#FFFF0000");
    const auto empty = context.writeString("", "S", root);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->getXmlAsString(0), "<S/>\n");

    const auto before = root->children().size();
    EXPECT_FALSE(context.writePointCollection({}, "Points", root));
    EXPECT_FALSE(context.writeDoubleArray({}, "D", "V", root));
    EXPECT_FALSE(context.writeColorArray({}, "C", "V", root));
    EXPECT_FALSE(context.writeTag(nullptr, 5, "Tag", root));
    EXPECT_EQ(root->children().size(), before);
}

TEST(XmlContextWriters, ANullParentOrValueWritesNothing) {
    XmlContext context;
    EXPECT_FALSE(context.writeDouble(1, "A", nullptr));
    EXPECT_FALSE(context.writePoint(1, 2, "A", nullptr));
    EXPECT_FALSE(context.writePointCollection({Point(1, 2)}, "A", nullptr));
    EXPECT_FALSE(context.writeBrush(std::make_shared<SolidColorBrush>(), "A", nullptr));
    auto root = std::make_shared<XmlElement>("Root");
    EXPECT_FALSE(context.writeColor(nullptr, "A", root));
    EXPECT_FALSE(context.writeBrush(nullptr, "A", root));
    EXPECT_FALSE(context.writeStyle(nullptr, "A", root));
    EXPECT_FALSE(context.writeImage(nullptr, "A", root));
    EXPECT_TRUE(root->children().empty());
    EXPECT_TRUE(context.wroteBrushes().empty());
}

TEST(XmlContextWriters, WrittenValuesReadBack) {
    XmlContext writer;
    auto root = std::make_shared<XmlElement>("Root");
    writer.writePointCollection({Point(1, 2), Point(-3.5, 1e-05)}, "Points", root);
    writer.writeDoubleArray({0.0, 0.25, 1.0}, "Positions", "Pos", root);
    writer.writeColorArray({Color::fromRGB(1, 2, 3), Colors::Transparent()}, "Colors", "Color",
                           root);
    writer.writePoint(Point(7, 8), "Point", root);

    const auto parsed = reparse(root);
    XmlContext reader;
    const auto points = reader.readPointCollection("Points", parsed);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1], Point(-3.5, 1e-05));
    EXPECT_EQ(reader.readDoubleArray("Positions", "Pos", parsed),
              (std::vector<double>{0.0, 0.25, 1.0}));
    const auto colors = reader.readColorArray("Colors", "Color", parsed);
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(*colors[0], *Color::fromRGB(1, 2, 3));
    EXPECT_EQ(*colors[1], *Colors::Transparent());
    EXPECT_EQ(reader.readPoint("Point", parsed), Point(7, 8));
    EXPECT_EQ(reader.readPoint("Missing", parsed), Point(0, 0));
    EXPECT_TRUE(reader.readPointCollection("Missing", parsed).empty());
    EXPECT_TRUE(reader.readDoubleArray("Missing", "Pos", nullptr).empty());
}

TEST(XmlContextResources, EqualBrushesShareOneTableEntry) {
    XmlContext context(std::make_shared<XmlDomBuilder>(), XmlContext::latestVersion());
    auto root = std::make_shared<XmlElement>("Diagram");
    const auto red1 = std::make_shared<SolidColorBrush>(Color::fromRGB(255, 0, 0));
    const auto red2 = std::make_shared<SolidColorBrush>(Color::fromRGB(255, 0, 0));
    const auto blue = std::make_shared<SolidColorBrush>(Color::fromRGB(0, 0, 255));
    EXPECT_EQ(attribute(context.writeBrush(red1, "Brush", root), "Id"), "0");
    EXPECT_EQ(attribute(context.writeBrush(blue, "Brush", root), "Id"), "1");
    EXPECT_EQ(attribute(context.writeBrush(red2, "Brush", root), "Id"), "0");
    EXPECT_EQ(context.wroteBrushes().size(), 2u);

    auto resources = root->addChild("Resources");
    context.writeBrushes(resources);
    const auto brushes = resources->getChild("Brushes");
    ASSERT_TRUE(brushes);
    ASSERT_EQ(brushes->children().size(), 2u);
    EXPECT_EQ(attribute(brushes->children()[0], "Index"), "0");
    EXPECT_EQ(attribute(brushes->children()[0], "Type"), "Solid");
    EXPECT_EQ(textOf(brushes->children()[0]->getChild("Color")), "#FFFF0000");
}

TEST(XmlContextResources, BrushStyleAndImageTablesRoundTripThroughOneContext) {
    auto builder = std::make_shared<XmlDomBuilder>();
    XmlContext writer(builder, XmlContext::latestVersion());
    auto root = builder->createElement("Diagram");
    builder->addChild(root);
    root->attributes()["Version"] = std::to_string(XmlContext::latestVersion());

    auto gradient = std::make_shared<LinearGradientBrush>(Color::fromRGB(255, 0, 0),
                                                          Color::fromRGB(0, 0, 255), 45);
    gradient->setPositions({0.0, 0.75});
    const auto solid = std::make_shared<SolidColorBrush>(Color::fromBytes(128, 10, 20, 30));
    const auto style = std::make_shared<Style>();
    const auto image = platform::ImageSurface::create(3, 2);
    ASSERT_TRUE(image);

    auto item = writer.addChildElement("Item", root);
    writer.writeBrush(gradient, "Fill", item);
    writer.writeBrush(solid, "Back", item);
    EXPECT_EQ(attribute(writer.writeStyle(style, "Style", item), "Id"), "0");
    EXPECT_EQ(attribute(writer.writeStyle(style, "Style2", item), "Id"), "0");
    EXPECT_EQ(attribute(writer.writeImage(image, "Image", item), "Id"), "0");
    EXPECT_EQ(attribute(writer.writeImage(image, "Image2", item), "Id"), "0");
    auto resources = writer.addChildElement("Resources", root);
    writer.writeBrushes(resources);
    writer.writeImages(resources);
    EXPECT_EQ(attribute(resources->getChild("Images"), "Count"), "1");

    // A style table is never written by a save; one made by hand is read.
    auto styles = resources->addChild("Styles");
    auto entry = styles->addChild("Style");
    entry->attributes()["Index"] = "4";
    auto property = entry->addChild("Property");
    property->attributes()["Name"] = "FontSize";
    property->addChild("Value", "12");
    item->addChild("StyleRef")->attributes()["Id"] = "4";

    const auto parsed = parse(builder->getXmlContent());
    XmlContext reader;
    EXPECT_TRUE(reader.readVersion(parsed));
    EXPECT_EQ(reader.fileVersion(), 16);
    const auto readResources = parsed->getChild("Resources");
    reader.readBrushes(readResources);
    reader.readImages(readResources);
    reader.readStyles(readResources);
    const auto readItem = parsed->getChild("Item");

    const auto fill = reader.readBrush("Fill", readItem);
    ASSERT_TRUE(fill);
    EXPECT_TRUE(fill->equalsTo(*gradient));
    EXPECT_EQ(reader.readBrush("Fill", readItem), fill);  // the table's object, shared
    const auto back = reader.readBrush("Back", readItem);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->equalsTo(*solid));

    const auto readImage = reader.readImage("Image2", readItem);
    ASSERT_TRUE(readImage);
    EXPECT_EQ(readImage->pixelWidth(), 3);
    EXPECT_EQ(readImage->pixelHeight(), 2);

    const auto readStyle = reader.readStyle("StyleRef", readItem);
    ASSERT_TRUE(readStyle);
    EXPECT_EQ(readStyle->fontSize(), 12.0);
    // References into the style table that a save writes name no table the file carries.
    EXPECT_FALSE(reader.readStyle("Style", readItem));
}

TEST(XmlContextResources, BrushContentReadsEveryForm) {
    const auto element = parse(
        "<Brushes>"
        "<Brush Index='0' Type='Gradient'><Angle>30</Angle><Color1>#FFFF0000</Color1>"
        "<Color2>#FF0000FF</Color2></Brush>"
        "<Brush Index='1' Type='Pattern'><ForeColor>#FF00FF00</ForeColor></Brush>"
        "<Brush Index='2' Type='Solid'/>"
        "<Brush Index='3' Type='Hatch'/>"
        "<Brush Index='4'/>"
        "<Brush Index='5' Type='Gradient'><Color1>#FFFF0000</Color1></Brush>"
        "</Brushes>");
    ASSERT_TRUE(element);
    XmlContext context;
    const auto& entries = element->children();
    ASSERT_EQ(entries.size(), 6u);

    const auto old =
        std::dynamic_pointer_cast<LinearGradientBrush>(context.readBrushContent(entries[0]));
    ASSERT_TRUE(old);
    EXPECT_EQ(old->angle(), 30.0);
    EXPECT_EQ(old->positions(), (std::vector<double>{0.0, 1.0}));
    ASSERT_EQ(old->colors().size(), 2u);
    EXPECT_EQ(*old->colors()[1], *Colors::Blue());

    const auto pattern =
        std::dynamic_pointer_cast<SolidColorBrush>(context.readBrushContent(entries[1]));
    ASSERT_TRUE(pattern);
    EXPECT_EQ(*pattern->color(), *Colors::Green());

    // A missing colour reads as black, yet not as the shared named black.
    const auto solid =
        std::dynamic_pointer_cast<SolidColorBrush>(context.readBrushContent(entries[2]));
    ASSERT_TRUE(solid);
    EXPECT_EQ(*solid->color(), *Colors::Black());
    EXPECT_NE(solid->color(), Colors::Black());

    EXPECT_FALSE(context.readBrushContent(entries[3]));
    EXPECT_FALSE(context.readBrushContent(entries[4]));
    EXPECT_FALSE(context.readBrushContent(entries[5]));
    EXPECT_FALSE(context.readBrushContent(nullptr));
}

TEST(XmlContextResources, MalformedReferencesAndEntriesReadAsNothing) {
    const auto root = parse(
        "<Diagram Version='x'><Resources><Brushes>"
        "<Brush Index='0' Type='Solid'><Color>#FF112233</Color></Brush>"
        "<Brush Index='zero' Type='Solid'><Color>#FF445566</Color></Brush>"
        "<Brush Index='1' Type='Solid'><Color>#FF778899</Color></Brush>"
        "<Brush Index='1' Type='Unknown'/>"
        "</Brushes><Images><Image Index='0'>bm90IGFuIGltYWdl</Image>"
        "<Image Index='1'>not base64!</Image></Images></Resources>"
        "<Item><A Id='0'/><B Id=''/><C Id='0x'/><D Id='9'/><E/><F Id='1'/>"
        "<G Id='0'/><H Id='1'/></Item></Diagram>");
    ASSERT_TRUE(root);
    XmlContext context;
    context.setFileVersion(3);
    EXPECT_FALSE(context.readVersion(root));
    EXPECT_EQ(context.fileVersion(), 3);
    context.readBrushes(root->getChild("Resources"));
    context.readImages(root->getChild("Resources"));
    EXPECT_EQ(context.readBrushes().size(), 1u);  // "zero" skipped, 1 unbound again
    EXPECT_TRUE(context.readImages().empty());

    const auto item = root->getChild("Item");
    EXPECT_TRUE(context.readBrush("A", item));
    for (const char* name : {"B", "C", "D", "E", "F", "Missing"})
        EXPECT_FALSE(context.readBrush(name, item)) << name;
    EXPECT_FALSE(context.readBrush("A", nullptr));
    EXPECT_FALSE(context.readImage("G", item));
    EXPECT_FALSE(context.readImage("H", item));
    EXPECT_FALSE(context.readStyle("A", item));
}

TEST(XmlContextResources, ResourcesWrittenInPlaceReadBack) {
    XmlContext writer;
    writer.setInplaceResources(true);
    auto root = std::make_shared<XmlElement>("Item");
    const auto brush = std::make_shared<SolidColorBrush>(Color::fromRGB(1, 2, 3));
    const auto element = writer.writeBrush(brush, "Brush", root);
    EXPECT_EQ(attribute(element, "Id"), "<none>");
    EXPECT_EQ(attribute(element, "Type"), "Solid");

    const auto style = std::make_shared<Style>();
    style->setFontName("Liberation Serif");
    style->setBrush(std::make_shared<SolidColorBrush>(Color::fromRGB(9, 8, 7)));
    writer.writeStyle(style, "Style", root);
    writer.writeStyle(std::make_shared<Style>(), "EmptyStyle", root);
    EXPECT_TRUE(writer.wroteStyles().empty());

    auto resources = root->addChild("Resources");
    writer.writeBrushes(resources);
    EXPECT_FALSE(resources->getChild("Brushes"));

    const auto parsed = reparse(root);
    XmlContext reader;
    const auto readBrush = reader.readBrush("Brush", parsed);
    ASSERT_TRUE(readBrush);
    EXPECT_TRUE(readBrush->equalsTo(*brush));
    const auto readStyle = reader.readStyle("Style", parsed);
    ASSERT_TRUE(readStyle);
    EXPECT_EQ(readStyle->fontName(), "Liberation Serif");
    ASSERT_TRUE(readStyle->brush());
    EXPECT_TRUE(readStyle->brush()->equalsTo(*style->brush()));
    EXPECT_FALSE(reader.readStyle("EmptyStyle", parsed));
}

TEST(XmlContextResources, StyleClassAttributesFollowTheRegistry) {
    XmlContext context;
    context.setInplaceResources(true);
    auto root = std::make_shared<XmlElement>("Item");
    const auto style = std::make_shared<Style>();
    auto element = context.writeStyle(style, "Style", root);
    EXPECT_EQ(attribute(element, "Class"), "<none>");

    Diagram::registerClass(Metatype<Style>([] { return std::make_shared<Style>(); }, "Style"),
                           "host:Style", 5);
    element = context.writeStyle(style, "Style", root);
    EXPECT_EQ(attribute(element, "Class"), "host:Style");
    EXPECT_EQ(attribute(element, "Version"), "5");
}

}  // namespace
}  // namespace nodeloom
