#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/Style.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {
namespace {

std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-style-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    builder.parseFile(path);
    std::filesystem::remove(path);
    return builder.root();
}

// A context whose brush table holds a red brush under 0 and a blue one under 1, as if read from
// a document's resources.
void readTwoBrushes(XmlContext& context) {
    context.readBrushes(
        parse("<Resources><Brushes>"
              "<Brush Index='0' Type='Solid'><Color>#FFFF0000</Color></Brush>"
              "<Brush Index='1' Type='Solid'><Color>#FF0000FF</Color></Brush>"
              "</Brushes></Resources>"));
}

TEST(StyleEnumerations, RawValuesOutsideTheCasesGiveNothing) {
    EXPECT_EQ(fromRaw<VerticalAlignment>(2), VerticalAlignment::bottom);
    EXPECT_FALSE(fromRaw<VerticalAlignment>(3));
    EXPECT_EQ(fromRaw<HorizontalAlignment>(0), HorizontalAlignment::left);
    EXPECT_FALSE(fromRaw<HorizontalAlignment>(-1));
    EXPECT_EQ(fromRaw<Align>(2), Align::far);
    EXPECT_EQ(fromRaw<Orientation>(0), Orientation::auto_);
    EXPECT_FALSE(fromRaw<Orientation>(3));
    EXPECT_EQ(fromRaw<GridStyle>(1), GridStyle::lines);
    EXPECT_FALSE(fromRaw<GridStyle>(2));
}

TEST(Style, ANewStyleSetsOnlyItsAlignments) {
    const Style style;
    EXPECT_FALSE(style.hasBrush());
    EXPECT_FALSE(style.hasBackBrush());
    EXPECT_FALSE(style.hasStroke());
    EXPECT_FALSE(style.hasStrokeThickness());
    EXPECT_FALSE(style.hasTextColor());
    EXPECT_FALSE(style.hasFontName());
    EXPECT_FALSE(style.hasFontSize());
    EXPECT_FALSE(style.hasFontUnit());
    EXPECT_FALSE(style.hasHeadStroke());
    EXPECT_FALSE(style.hasHeadStrokeThickness());
    EXPECT_TRUE(style.hasVerticalTextAlignment());
    EXPECT_TRUE(style.hasHorizontalTextAlignment());
    EXPECT_EQ(style.verticalTextAlignment(), VerticalAlignment::center);
    EXPECT_EQ(style.horizontalTextAlignment(), HorizontalAlignment::center);
    EXPECT_EQ(style.stroke(), Colors::Empty());
    EXPECT_EQ(style.textColor(), Colors::Empty());
    EXPECT_EQ(style.headStroke(), Colors::Empty());
}

TEST(Style, UnsetMarkersAreTestedByValue) {
    Style style;
    style.setStrokeThickness(0);
    EXPECT_TRUE(style.hasStrokeThickness());
    style.setStrokeThickness(-1);
    EXPECT_FALSE(style.hasStrokeThickness());

    style.setStroke(std::make_shared<Color>(-1, -1, -1, -1));
    EXPECT_FALSE(style.hasStroke());
    style.setStroke(Colors::Red());
    EXPECT_TRUE(style.hasStroke());
    style.setStroke(nullptr);
    EXPECT_FALSE(style.hasStroke());
    ASSERT_TRUE(style.stroke());
}

TEST(Style, ACopyIsShallowAndStylesCompareByIdentity) {
    auto style = std::make_shared<Style>();
    style->setStroke(Color::fromRGB(1, 2, 3));
    style->setBrush(std::make_shared<SolidColorBrush>());
    const auto copy = std::make_shared<Style>(*style);
    EXPECT_EQ(copy->stroke(), style->stroke());
    EXPECT_EQ(copy->brush(), style->brush());
    EXPECT_NE(copy, style);
}

TEST(StyleLoading, PropertiesAreReadFromTheirValueElements) {
    const auto element = parse(
        "<Style>"
        "<Property Name='Brush'><Value><Brush Id='0'/></Value></Property>"
        "<Property Name='BackBrush'><Value><Brush Id='1'/></Value></Property>"
        "<Property Name='Stroke'><Value><Brush Id='1'/></Value></Property>"
        "<Property Name='StrokeThickness'><Value>0.5</Value></Property>"
        "<Property Name='TextBrush'><Value><Brush Id='0'/></Value></Property>"
        "<Property Name='FontFamily'><Value>Liberation Sans</Value></Property>"
        "<Property Name='FontSize'><Value>12</Value></Property>"
        "<Property Name='FontUnit'><Value>3</Value></Property>"
        "<Property Name='HeadStroke'><Value><Brush Id='0'/></Value></Property>"
        "<Property name='FontSize'><Value>99</Value></Property>"
        "<Property><Value>99</Value></Property>"
        "</Style>");
    XmlContext context;
    readTwoBrushes(context);
    Style style;
    style.loadFromXml(element, context);
    EXPECT_EQ(style.brush(), context.readBrushes().at(0));
    EXPECT_EQ(style.backBrush(), context.readBrushes().at(1));
    EXPECT_EQ(*style.stroke(), *Colors::Blue());
    EXPECT_EQ(style.strokeThickness(), 0.5);
    EXPECT_EQ(*style.textColor(), *Colors::Red());
    EXPECT_EQ(style.fontName(), "Liberation Sans");
    EXPECT_EQ(style.fontSize(), 12.0);
    EXPECT_EQ(style.fontUnit(), MeasureUnit::Point());
    EXPECT_FALSE(style.hasHeadStroke());

    // Reading the same element again gives the same values.
    style.loadFromXml(element, context);
    EXPECT_EQ(style.fontSize(), 12.0);
    EXPECT_EQ(style.brush(), context.readBrushes().at(0));
}

TEST(StyleLoading, BrushesAreClearedFirstAndOtherValuesKept) {
    XmlContext context;
    readTwoBrushes(context);
    Style style;
    style.setBrush(std::make_shared<SolidColorBrush>());
    style.setBackBrush(std::make_shared<SolidColorBrush>());
    style.setFontName("Kept");
    style.loadFromXml(nullptr, context);
    EXPECT_FALSE(style.hasBrush());
    EXPECT_FALSE(style.hasBackBrush());
    EXPECT_EQ(style.fontName(), "Kept");

    style.setBrush(std::make_shared<SolidColorBrush>());
    style.loadFromXml(parse("<Style><P Name='FontSize'><Value>8</Value></P></Style>"), context);
    EXPECT_FALSE(style.hasBrush());
    EXPECT_EQ(style.fontSize(), 8.0);
    EXPECT_EQ(style.fontName(), "Kept");
}

TEST(StyleLoading, MissingValuesAndUnresolvedBrushes) {
    XmlContext context;
    readTwoBrushes(context);
    Style style;
    style.setStroke(Colors::Green());
    style.setTextColor(Colors::Gray());
    style.setFontUnit(MeasureUnit::Point());
    style.loadFromXml(parse("<Style>"
                            "<P Name='Brush'><Value><Brush Id='7'/></Value></P>"
                            "<P Name='Stroke'><Value><Brush Id='7'/></Value></P>"
                            "<P Name='TextBrush'/>"
                            "<P Name='StrokeThickness'/>"
                            "<P Name='FontSize'/>"
                            "<P Name='FontFamily'/>"
                            "<P Name='FontUnit'><Value>1</Value></P>"
                            "</Style>"),
                      context);
    EXPECT_FALSE(style.hasBrush());
    // A colour whose brush is missing is left as it was.
    EXPECT_EQ(style.stroke(), Colors::Green());
    EXPECT_EQ(style.textColor(), Colors::Gray());
    EXPECT_EQ(style.strokeThickness(), 0.0);
    EXPECT_EQ(style.fontSize(), 0.0);
    EXPECT_EQ(style.fontName(), "");
    EXPECT_FALSE(style.hasFontUnit());
}

TEST(StyleSaving, AStyleWrittenAndReadBackHasTheSameContent) {
    Style style;
    auto gradient = std::make_shared<LinearGradientBrush>(Color::fromRGB(255, 0, 0),
                                                          Color::fromRGB(0, 255, 0), 90);
    style.setBrush(gradient);
    style.setBackBrush(std::make_shared<SolidColorBrush>(Color::fromBytes(10, 20, 30, 40)));
    style.setStroke(Color::fromRGB(1, 2, 3));
    style.setStrokeThickness(0.25);
    style.setTextColor(Color::fromRGB(4, 5, 6));
    style.setFontName("Liberation Mono & <Co>");
    style.setFontSize(10.5);
    style.setFontUnit(MeasureUnit::Millimeter());

    auto element = std::make_shared<XmlElement>("Style");
    style.saveToXml(element);
    XmlContext context;
    Style read;
    read.loadFromXml(parse(element->getXmlAsString(0)), context);
    ASSERT_TRUE(read.brush());
    EXPECT_TRUE(read.brush()->equalsTo(*gradient));
    ASSERT_TRUE(read.backBrush());
    EXPECT_TRUE(read.backBrush()->equalsTo(*style.backBrush()));
    EXPECT_EQ(*read.stroke(), *style.stroke());
    EXPECT_EQ(read.strokeThickness(), 0.25);
    EXPECT_EQ(*read.textColor(), *style.textColor());
    EXPECT_EQ(read.fontName(), style.fontName());
    EXPECT_EQ(read.fontSize(), 10.5);
    EXPECT_EQ(read.fontUnit(), MeasureUnit::Millimeter());

    // An empty style writes nothing, so it reads back empty too.
    auto empty = std::make_shared<XmlElement>("Style");
    Style().saveToXml(empty);
    EXPECT_TRUE(empty->children().empty());
}

}  // namespace
}  // namespace nodeloom
