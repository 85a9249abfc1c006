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
#include "Nodeloom/foundation/Theme.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"

namespace nodeloom {
namespace {

std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-style-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    const bool whole = builder.parseFile(path);
    std::filesystem::remove(path);
    return whole ? builder.root() : nullptr;
}

// A document's brush table: red under 0, blue under 1.
void readTwoBrushes(XmlContext& context) {
    context.readBrushes(
        parse("<Resources><Brushes>"
              "<Brush Index='0' Type='Solid'><Color>#FFFF0000</Color></Brush>"
              "<Brush Index='1' Type='Solid'><Color>#FF0000FF</Color></Brush>"
              "</Brushes></Resources>"));
}

TEST(Style, ANewStyleSetsOnlyItsAlignments) {
    const Style s;
    EXPECT_FALSE(s.hasBrush() || s.hasBackBrush() || s.hasStroke() || s.hasStrokeThickness() ||
                 s.hasTextColor() || s.hasFontName() || s.hasFontSize() || s.hasFontUnit() ||
                 s.hasHeadStroke() || s.hasHeadStrokeThickness());
    EXPECT_TRUE(s.hasVerticalTextAlignment() && s.hasHorizontalTextAlignment());
    EXPECT_EQ(s.stroke(), Colors::Empty());
    EXPECT_FALSE(fromRaw<VerticalAlignment>(3));
    EXPECT_FALSE(fromRaw<GridStyle>(2));
    EXPECT_EQ(fromRaw<Orientation>(0), Orientation::auto_);
}

TEST(Style, UnsetMarkersAreTestedByValueAndCopiesAreShallow) {
    auto style = std::make_shared<Style>();
    style->setStrokeThickness(0);
    EXPECT_TRUE(style->hasStrokeThickness());
    style->setStrokeThickness(-1);
    EXPECT_FALSE(style->hasStrokeThickness());
    style->setStroke(std::make_shared<Color>(-1, -1, -1, -1));
    EXPECT_FALSE(style->hasStroke());
    style->setStroke(nullptr);
    ASSERT_TRUE(style->stroke());
    EXPECT_FALSE(style->hasStroke());

    style->setStroke(Color::fromRGB(1, 2, 3));
    const auto copy = std::make_shared<Style>(*style);
    EXPECT_EQ(copy->stroke(), style->stroke());
    EXPECT_NE(copy, style);
}

TEST(StyleLoading, PropertiesAreReadFromTheirValueElements) {
    const auto element = parse(
        "<Style>"
        "<P Name='Brush'><Value><Brush Id='0'/></Value></P>"
        "<P Name='BackBrush'><Value><Brush Id='1'/></Value></P>"
        "<P Name='Stroke'><Value><Brush Id='1'/></Value></P>"
        "<P Name='StrokeThickness'><Value>0.5</Value></P>"
        "<P Name='TextBrush'><Value><Brush Id='0'/></Value></P>"
        "<P Name='FontFamily'><Value>Liberation Sans</Value></P>"
        "<P Name='FontSize'><Value>12</Value></P>"
        "<P Name='FontUnit'><Value>3</Value></P>"
        "<P Name='HeadStroke'><Value><Brush Id='0'/></Value></P>"
        "<P name='FontSize'><Value>99</Value></P><P><Value>99</Value></P>"
        "</Style>");
    XmlContext context;
    readTwoBrushes(context);
    Style style;
    for (int pass = 0; pass < 2; ++pass) {
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
    }
}

TEST(StyleLoading, BrushesAreClearedAndUnresolvedColoursKept) {
    XmlContext context;
    readTwoBrushes(context);
    Style style;
    style.setBrush(std::make_shared<SolidColorBrush>());
    style.setFontName("Kept");
    style.loadFromXml(nullptr, context);
    EXPECT_FALSE(style.hasBrush());
    EXPECT_EQ(style.fontName(), "Kept");

    style.setStroke(Colors::Green());
    style.setTextColor(Colors::Gray());
    style.setFontUnit(MeasureUnit::Point());
    style.loadFromXml(parse("<Style>"
                            "<P Name='Brush'><Value><Brush Id='7'/></Value></P>"
                            "<P Name='Stroke'><Value><Brush Id='7'/></Value></P>"
                            "<P Name='TextBrush'/><P Name='StrokeThickness'/>"
                            "<P Name='FontUnit'><Value>1</Value></P>"
                            "</Style>"),
                      context);
    EXPECT_FALSE(style.hasBrush());
    EXPECT_EQ(style.stroke(), Colors::Green());
    EXPECT_EQ(style.textColor(), Colors::Gray());
    EXPECT_EQ(style.strokeThickness(), 0.0);
    EXPECT_EQ(style.fontName(), "Kept");
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
    ASSERT_TRUE(read.brush() && read.backBrush());
    EXPECT_TRUE(read.brush()->equalsTo(*gradient));
    EXPECT_TRUE(read.backBrush()->equalsTo(*style.backBrush()));
    EXPECT_EQ(*read.stroke(), *style.stroke());
    EXPECT_EQ(read.strokeThickness(), 0.25);
    EXPECT_EQ(*read.textColor(), *style.textColor());
    EXPECT_EQ(read.fontName(), style.fontName());
    EXPECT_EQ(read.fontSize(), 10.5);
    EXPECT_EQ(read.fontUnit(), MeasureUnit::Millimeter());
}

std::shared_ptr<Color> brushColor(const std::shared_ptr<Style>& style) {
    return style->brush() ? style->brush()->toColor() : nullptr;
}

TEST(DefaultTheme, HoldsSevenCompleteSharedStyles) {
    EXPECT_TRUE(Theme().styles().empty());
    const auto theme = Theme::defaultTheme();
    EXPECT_EQ(Theme::defaultTheme(), theme);
    const auto& styles = theme->styles();
    ASSERT_EQ(styles.size(), 7u);
    for (const auto& [name, s] : styles) {
        EXPECT_TRUE(s->hasBrush() && s->hasStroke() && s->hasStrokeThickness() &&
                    s->hasTextColor() && s->hasFontName() && s->hasFontSize() && s->hasFontUnit())
            << name;
        EXPECT_FALSE(s->hasBackBrush() || s->hasHeadStroke() || s->hasHeadStrokeThickness())
            << name;
        EXPECT_EQ(s->fontName() + " " + std::to_string(s->fontSize()), "ArialMT 10.000000");
        EXPECT_EQ(s->fontUnit(), MeasureUnit::Point());
    }
    EXPECT_EQ(styles.count("DiagramItem"), 0u);
    EXPECT_EQ(*brushColor(styles.at("ShapeNode")), Color(1.0, 220 / 255.0, 220 / 255.0, 1.0));
    EXPECT_EQ(*brushColor(styles.at("TableNode")), *Color::fromRGB(180, 160, 160));
    EXPECT_EQ(styles.at("DiagramNode")->brush(), styles.at("Diagram")->brush());
    EXPECT_EQ(brushColor(styles.at("Diagram")), Colors::White());
}

TEST(DefaultTheme, TheHostMayReplaceIt) {
    const auto original = ThemeStatic::defaultStyles();
    auto own = std::make_shared<Theme>();
    own->styles()["ShapeNode"] = std::make_shared<Style>();
    ThemeStatic::setDefaultStyles(own);
    EXPECT_EQ(Theme::defaultTheme(), own);
    EXPECT_EQ(own->styles().size(), 1u);
    ThemeStatic::setDefaultStyles(nullptr);
    EXPECT_EQ(Theme::defaultTheme()->styles().size(), 7u);
    ThemeStatic::setDefaultStyles(original);
}

TEST(ThemeLoading, StylesAreFiledByTargetType) {
    Theme theme;
    const auto kept = std::make_shared<Style>();
    theme.styles()["DiagramLink"] = kept;
    theme.styles()["ShapeNode"] = kept;
    XmlContext context;
    theme.loadFromXml(parse("<Theme>"
                            "<S TargetType='ShapeNode'><P Name='FontSize'><Value>12</Value></P></S>"
                            "<S TargetType='TableNode'><P Name='FontSize'><Value>7</Value></P></S>"
                            "<S TargetType='TableNode'><P Name='FontSize'><Value>8</Value></P></S>"
                            "<S><P Name='FontSize'><Value>9</Value></P></S><S Other='x'/>"
                            "</Theme>"),
                      context);
    ASSERT_EQ(theme.styles().size(), 3u);
    EXPECT_EQ(theme.styles().at("DiagramLink"), kept);
    EXPECT_EQ(theme.styles().at("ShapeNode")->fontSize(), 12.0);
    EXPECT_FALSE(theme.styles().at("ShapeNode")->hasFontName());
    EXPECT_EQ(theme.styles().at("TableNode")->fontSize(), 8.0);
}

TEST(ThemeSaving, AThemeWrittenAndReadBackHasTheSameContent) {
    auto element = std::make_shared<XmlElement>("Theme");
    Theme::defaultTheme()->saveToXml(element);
    Theme read;
    XmlContext context;
    read.loadFromXml(parse(element->getXmlAsString(0)), context);
    const auto& expected = Theme::defaultTheme()->styles();
    ASSERT_EQ(read.styles().size(), expected.size());
    for (const auto& [name, style] : expected) {
        const auto& copy = read.styles().at(name);
        ASSERT_TRUE(copy && copy->brush()) << name;
        EXPECT_TRUE(copy->brush()->equalsTo(*style->brush())) << name;
        EXPECT_EQ(*copy->stroke(), *style->stroke()) << name;
        EXPECT_EQ(copy->strokeThickness(), style->strokeThickness()) << name;
        EXPECT_EQ(copy->fontName(), style->fontName()) << name;
        EXPECT_EQ(copy->fontUnit(), style->fontUnit()) << name;
    }
}

}  // namespace
}  // namespace nodeloom
