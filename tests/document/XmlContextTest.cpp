#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramStatic.h"
#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Shape.h"
#include "Nodeloom/foundation/ShapeLibrary.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/platform/ImageSurface.h"

namespace nodeloom {
namespace {

// Written trees are read back through their text and the parser, as a reopened file is.
std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-context-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    std::filesystem::remove(path);
    return whole ? builder.root() : nullptr;
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
    const auto text = [&](double value) { return textOf(context.writeDouble(value, "A", root)); };
    EXPECT_EQ(text(4), "4.0");
    EXPECT_EQ(text(0.5), "0.5");
    EXPECT_EQ(text(0.00001), "1e-05");
    EXPECT_EQ(text(1e16), "1e+16");
    EXPECT_EQ(text(-1), "-1.0");
    EXPECT_EQ(text(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(text(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(text(-std::numeric_limits<double>::quiet_NaN()), "nan");
    for (const double value : {1.0 / 3.0, 123456.789, 2.5e-300, 6.02214076e23})
        EXPECT_EQ(std::stod(text(value)), value);
    EXPECT_FALSE(context.writeDoubleOpt(std::nullopt, "A", root));
}

TEST(XmlContextWriters, ValuesBecomeChildElementText) {
    XmlContext context;
    auto root = std::make_shared<XmlElement>("Root");
    EXPECT_EQ(textOf(context.writeRectangle(Rect(10, 20, 50, 40), "Bounds", root)),
              "10.0, 20.0, 50.0, 40.0");
    EXPECT_EQ(textOf(context.writePoint(Point(12.5, 40), "P", root)), "12.5, 40.0");
    const auto xy = context.writePoint(1.5, -2, "P", root);
    EXPECT_EQ(attribute(xy, "x") + " " + attribute(xy, "y"), "1.5 -2.0");
    EXPECT_EQ(textOf(context.writeBool(false, "B", root)), "false");
    EXPECT_EQ(textOf(context.writeEnum(ThreeCases::third, "E", root)), "2");
    EXPECT_EQ(textOf(context.writeInt(-42, "I", root)), "-42");
    EXPECT_EQ(textOf(context.writeChar(U'\u20ac', "C", root)), "\xe2\x82\xac");
    EXPECT_EQ(textOf(context.writeChar(0xD800, "C", root)), "");
    EXPECT_EQ(textOf(context.writeColor(Color::fromRGB(255, 0, 0), "Color", root)), "#FFFF0000");
    EXPECT_EQ(context.writeString("", "S", root)->getXmlAsString(0), "<S/>\n");

    // Empty lists, absent values and a missing parent write nothing.
    const auto before = root->children().size();
    EXPECT_FALSE(context.writePointCollection({}, "Points", root));
    EXPECT_FALSE(context.writeDoubleArray({}, "D", "V", root));
    EXPECT_FALSE(context.writeTag(nullptr, 5, "Tag", root));
    EXPECT_FALSE(context.writeColor(nullptr, "A", root));
    EXPECT_FALSE(context.writeBrush(nullptr, "A", root));
    EXPECT_FALSE(context.writeImage(nullptr, "A", root));
    EXPECT_FALSE(context.writeBrush(std::make_shared<SolidColorBrush>(), "A", nullptr));
    EXPECT_EQ(root->children().size(), before);
    EXPECT_TRUE(context.wroteBrushes().empty());
}

TEST(XmlContextWriters, ListsAndPointsReadBack) {
    XmlContext writer;
    auto root = std::make_shared<XmlElement>("Root");
    writer.writePointCollection({Point(1, 2), Point(-3.5, 1e-05)}, "Points", root);
    writer.writeDoubleArray({0.0, 0.25, 1.0}, "Positions", "Pos", root);
    writer.writeColorArray({Color::fromRGB(1, 2, 3), Colors::Transparent()}, "Colors", "Color",
                           root);
    writer.writePoint(Point(7, 8), "Point", root);

    const auto parsed = parse(root->getXmlAsString(0));
    XmlContext reader;
    EXPECT_EQ(reader.readPointCollection("Points", parsed),
              (std::vector<Point>{Point(1, 2), Point(-3.5, 1e-05)}));
    EXPECT_EQ(reader.readDoubleArray("Positions", "Pos", parsed),
              (std::vector<double>{0.0, 0.25, 1.0}));
    const auto colors = reader.readColorArray("Colors", "Color", parsed);
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(*colors[1], *Colors::Transparent());
    EXPECT_EQ(reader.readPoint("Point", parsed), Point(7, 8));
    EXPECT_EQ(reader.readPoint("Missing", parsed), Point(0, 0));
    EXPECT_TRUE(reader.readPointCollection("Missing", nullptr).empty());
}

TEST(XmlContextWriters, ShapesAreReferencedByIdInTheSharedLibrary) {
    XmlContext context;
    auto root = std::make_shared<XmlElement>("Node");
    const auto rect = Diagram::defaultShapes()->shapeFromId("Rect");
    ASSERT_TRUE(rect);
    EXPECT_EQ(attribute(context.writeShape(rect, "Shape", root), "Id"), "Rect");
    EXPECT_EQ(attribute(context.writeShape(std::make_shared<Shape>(), "Unnamed", root), "Id"),
              "Rectangle");
    EXPECT_FALSE(context.writeShape(nullptr, "None", root));
    root->addChild("Unknown")->attributes()["Id"] = "NoSuchShape";
    root->addChild("NoId");

    const auto fallback = std::make_shared<Shape>();
    EXPECT_EQ(context.readShape("Shape", root, fallback), rect);
    EXPECT_EQ(context.readShape("Unknown", root, fallback), nullptr);
    EXPECT_EQ(context.readShape("Missing", root, fallback), fallback);
    EXPECT_EQ(context.readShape("NoId", root, fallback), fallback);

    // Without a shared library nothing resolves, until a document asks for one again.
    const auto library = DiagramStatic::defaultShapes();
    Diagram::setDefaultShapes(nullptr);
    EXPECT_EQ(context.readShape("Shape", root, fallback), nullptr);
    ASSERT_TRUE(Diagram::defaultShapes());
    EXPECT_TRUE(Diagram::defaultShapes()->shapeFromId("Rect"));
    Diagram::setDefaultShapes(library);
}

TEST(XmlContextResources, EqualBrushesShareOneTableEntry) {
    XmlContext context(std::make_shared<XmlDomBuilder>(), XmlContext::latestVersion());
    auto root = std::make_shared<XmlElement>("Diagram");
    const auto red = [] { return std::make_shared<SolidColorBrush>(Color::fromRGB(255, 0, 0)); };
    EXPECT_EQ(attribute(context.writeBrush(red(), "Brush", root), "Id"), "0");
    EXPECT_EQ(
        attribute(context.writeBrush(std::make_shared<SolidColorBrush>(), "Brush", root), "Id"),
        "1");
    EXPECT_EQ(attribute(context.writeBrush(red(), "Brush", root), "Id"), "0");

    auto resources = root->addChild("Resources");
    context.writeBrushes(resources);
    const auto brushes = resources->getChild("Brushes");
    ASSERT_TRUE(brushes);
    ASSERT_EQ(brushes->children().size(), 2u);
    const auto& first = brushes->children()[0];
    EXPECT_EQ(attribute(first, "Index") + " " + attribute(first, "Type"), "0 Solid");
    EXPECT_EQ(textOf(first->getChild("Color")), "#FFFF0000");
}

TEST(XmlContextResources, BrushStyleAndImageTablesRoundTripThroughOneContext) {
    auto builder = std::make_shared<XmlDomBuilder>();
    XmlContext writer(builder, XmlContext::latestVersion());
    auto root = builder->createElement("Diagram");
    builder->addChild(root);
    root->attributes()["Version"] = "16";

    auto gradient = std::make_shared<LinearGradientBrush>(Color::fromRGB(255, 0, 0),
                                                          Color::fromRGB(0, 0, 255), 45);
    gradient->setPositions({0.0, 0.75});
    const auto style = std::make_shared<Style>();
    const auto image = platform::ImageSurface::create(3, 2);
    ASSERT_TRUE(image);

    auto item = writer.addChildElement("Item", root);
    writer.writeBrush(gradient, "Fill", item);
    EXPECT_EQ(attribute(writer.writeStyle(style, "Style", item), "Id"), "0");
    EXPECT_EQ(attribute(writer.writeStyle(style, "Style2", item), "Id"), "0");
    EXPECT_EQ(attribute(writer.writeImage(image, "Image", item), "Id"), "0");
    EXPECT_EQ(attribute(writer.writeImage(image, "Image2", item), "Id"), "0");
    auto resources = writer.addChildElement("Resources", root);
    writer.writeBrushes(resources);
    writer.writeImages(resources);
    // A save writes no style table; one made by hand is read.
    auto entry = resources->addChild("Styles")->addChild("Style");
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
    EXPECT_EQ(reader.readBrush("Fill", readItem), fill);
    const auto readImage = reader.readImage("Image2", readItem);
    ASSERT_TRUE(readImage);
    EXPECT_EQ(readImage->pixelWidth(), 3);
    EXPECT_EQ(readImage->pixelHeight(), 2);
    const auto readStyle = reader.readStyle("StyleRef", readItem);
    ASSERT_TRUE(readStyle);
    EXPECT_EQ(readStyle->fontSize(), 12.0);
    EXPECT_FALSE(reader.readStyle("Style", readItem));
}

TEST(XmlContextResources, BrushContentReadsEveryForm) {
    const auto element = parse(
        "<Brushes>"
        "<Brush Type='Gradient'><Angle>30</Angle><Color1>#FFFF0000</Color1>"
        "<Color2>#FF0000FF</Color2></Brush>"
        "<Brush Type='Pattern'><ForeColor>#FF00FF00</ForeColor></Brush>"
        "<Brush Type='Solid'/><Brush Type='Hatch'/><Brush Index='4'/>"
        "<Brush Type='Gradient'><Color1>#FFFF0000</Color1></Brush>"
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
    EXPECT_EQ(*context.readBrushContent(entries[1])->toColor(), *Colors::Green());
    // A missing colour reads as black, yet not as the shared named black.
    const auto solid = context.readBrushContent(entries[2]);
    ASSERT_TRUE(solid);
    EXPECT_EQ(*solid->toColor(), *Colors::Black());
    EXPECT_NE(solid->toColor(), Colors::Black());
    for (std::size_t i = 3; i < entries.size(); ++i)
        EXPECT_FALSE(context.readBrushContent(entries[i])) << i;
    EXPECT_FALSE(context.readBrushContent(nullptr));
}

TEST(XmlContextResources, MalformedReferencesAndEntriesReadAsNothing) {
    const auto root = parse(
        "<Diagram Version='x'><Resources><Brushes>"
        "<Brush Index='0' Type='Solid'><Color>#FF112233</Color></Brush>"
        "<Brush Index='zero' Type='Solid'/>"
        "<Brush Index='1' Type='Solid'/><Brush Index='1' Type='Unknown'/>"
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
    EXPECT_EQ(context.readBrushes().size(), 1u);
    EXPECT_TRUE(context.readImages().empty());

    const auto item = root->getChild("Item");
    EXPECT_TRUE(context.readBrush("A", item));
    for (const char* name : {"B", "C", "D", "E", "F", "Missing"})
        EXPECT_FALSE(context.readBrush(name, item)) << name;
    EXPECT_FALSE(context.readBrush("A", nullptr));
    EXPECT_FALSE(context.readImage("G", item));
    EXPECT_FALSE(context.readStyle("A", item));
}

TEST(XmlContextResources, ResourcesWrittenInPlaceReadBack) {
    XmlContext writer;
    writer.setInplaceResources(true);
    auto root = std::make_shared<XmlElement>("Item");
    const auto brush = std::make_shared<SolidColorBrush>(Color::fromRGB(1, 2, 3));
    EXPECT_EQ(attribute(writer.writeBrush(brush, "Brush", root), "Id"), "<none>");
    const auto style = std::make_shared<Style>();
    style->setFontName("Liberation Serif");
    writer.writeStyle(style, "Style", root);
    writer.writeStyle(std::make_shared<Style>(), "EmptyStyle", root);
    EXPECT_TRUE(writer.wroteStyles().empty());
    auto resources = root->addChild("Resources");
    writer.writeBrushes(resources);
    EXPECT_FALSE(resources->getChild("Brushes"));

    const auto parsed = parse(root->getXmlAsString(0));
    XmlContext reader;
    const auto readBrush = reader.readBrush("Brush", parsed);
    ASSERT_TRUE(readBrush);
    EXPECT_TRUE(readBrush->equalsTo(*brush));
    const auto readStyle = reader.readStyle("Style", parsed);
    ASSERT_TRUE(readStyle);
    EXPECT_EQ(readStyle->fontName(), "Liberation Serif");
    EXPECT_FALSE(reader.readStyle("EmptyStyle", parsed));
}

TEST(XmlContextResources, StyleClassAttributesFollowTheRegistry) {
    XmlContext context;
    context.setInplaceResources(true);
    auto root = std::make_shared<XmlElement>("Item");
    const auto style = std::make_shared<Style>();
    EXPECT_EQ(attribute(context.writeStyle(style, "Style", root), "Class"), "<none>");

    Diagram::registerClass(Metatype<Style>([] { return std::make_shared<Style>(); }, "Style"),
                           "host:Style", 5);
    const auto element = context.writeStyle(style, "Style", root);
    EXPECT_EQ(attribute(element, "Class") + " " + attribute(element, "Version"), "host:Style 5");
}

}  // namespace
}  // namespace nodeloom
