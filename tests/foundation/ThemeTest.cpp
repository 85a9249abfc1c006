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
                      ("nodeloom-theme-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    builder.parseFile(path);
    std::filesystem::remove(path);
    return builder.root();
}

std::shared_ptr<Color> brushColor(const std::shared_ptr<Style>& style) {
    const auto solid = std::dynamic_pointer_cast<SolidColorBrush>(style->brush());
    return solid ? solid->color() : nullptr;
}

TEST(DefaultTheme, HoldsSevenCompleteSharedStyles) {
    EXPECT_TRUE(Theme().styles().empty());
    const auto theme = Theme::defaultTheme();
    EXPECT_EQ(Theme::defaultTheme(), theme);
    ASSERT_EQ(theme->styles().size(), 7u);
    for (const char* name : {"Diagram", "DiagramNode", "DiagramLink", "ShapeNode", "ContainerNode",
                             "TableNode", "TreeViewNode"}) {
        const auto& style = theme->styles().at(name);
        ASSERT_TRUE(style) << name;
        EXPECT_TRUE(style->hasBrush() && style->hasStroke() && style->hasStrokeThickness() &&
                    style->hasTextColor() && style->hasFontName() && style->hasFontSize() &&
                    style->hasFontUnit())
            << name;
        EXPECT_FALSE(style->hasBackBrush() || style->hasHeadStroke() ||
                     style->hasHeadStrokeThickness())
            << name;
        EXPECT_EQ(style->stroke(), Colors::Black());
        EXPECT_EQ(style->strokeThickness(), 0.0);
        EXPECT_EQ(style->fontName(), "ArialMT");
        EXPECT_EQ(style->fontSize(), 10.0);
        EXPECT_EQ(style->fontUnit(), MeasureUnit::Point());
    }
    EXPECT_EQ(theme->styles().count("DiagramItem"), 0u);

    const auto& styles = theme->styles();
    EXPECT_EQ(*brushColor(styles.at("ShapeNode")), Color(1.0, 220 / 255.0, 220 / 255.0, 1.0));
    EXPECT_EQ(*brushColor(styles.at("TableNode")), *Color::fromRGB(180, 160, 160));
    EXPECT_EQ(styles.at("DiagramNode")->brush(), styles.at("Diagram")->brush());
    EXPECT_EQ(brushColor(styles.at("Diagram")), Colors::White());
    EXPECT_NE(styles.at("ShapeNode")->brush(), styles.at("Diagram")->brush());
    EXPECT_NE(styles.at("DiagramNode"), styles.at("Diagram"));
}

TEST(DefaultTheme, TheHostMayReplaceIt) {
    const auto original = ThemeStatic::defaultStyles();
    auto own = std::make_shared<Theme>();
    own->styles()["ShapeNode"] = std::make_shared<Style>();
    ThemeStatic::setDefaultStyles(own);
    EXPECT_EQ(Theme::defaultTheme(), own);
    EXPECT_EQ(Theme::defaultTheme()->styles().size(), 1u);

    // An empty theme, or none at all, is filled with the defaults on the next request.
    ThemeStatic::setDefaultStyles(nullptr);
    EXPECT_EQ(Theme::defaultTheme()->styles().size(), 7u);
    ThemeStatic::setDefaultStyles(original);
}

TEST(ThemeLoading, StylesAreFiledByTargetType) {
    Theme theme;
    const auto kept = std::make_shared<Style>();
    theme.styles()["DiagramLink"] = kept;
    theme.styles()["ShapeNode"] = std::make_shared<Style>();
    XmlContext context;
    theme.loadFromXml(parse("<Theme>"
                            "<Style TargetType='ShapeNode'>"
                            "<Property Name='FontSize'><Value>12</Value></Property></Style>"
                            "<Style TargetType='TableNode'>"
                            "<Property Name='FontSize'><Value>7</Value></Property></Style>"
                            "<Style TargetType='TableNode'>"
                            "<Property Name='FontSize'><Value>8</Value></Property></Style>"
                            "<Style><Property Name='FontSize'><Value>9</Value></Property></Style>"
                            "<Style Other='x'/>"
                            "</Theme>"),
                      context);
    ASSERT_EQ(theme.styles().size(), 3u);
    EXPECT_EQ(theme.styles().at("DiagramLink"), kept);
    const auto& shape = theme.styles().at("ShapeNode");
    EXPECT_EQ(shape->fontSize(), 12.0);
    EXPECT_FALSE(shape->hasFontName());
    EXPECT_FALSE(shape->hasStroke());
    EXPECT_EQ(theme.styles().at("TableNode")->fontSize(), 8.0);

    theme.loadFromXml(nullptr, context);
    theme.loadFromXml(parse("<Theme/>"), context);
    EXPECT_EQ(theme.styles().size(), 3u);
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
        EXPECT_EQ(*copy->textColor(), *style->textColor()) << name;
        EXPECT_EQ(copy->fontName(), style->fontName()) << name;
        EXPECT_EQ(copy->fontSize(), style->fontSize()) << name;
        EXPECT_EQ(copy->fontUnit(), style->fontUnit()) << name;
        EXPECT_FALSE(copy->hasBackBrush()) << name;
    }
}

}  // namespace
}  // namespace nodeloom
