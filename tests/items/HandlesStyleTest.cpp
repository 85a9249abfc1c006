#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/XmlContext.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/XmlDomBuilder.h"
#include "Nodeloom/foundation/XmlElement.h"
#include "Nodeloom/items/HandlesStyle.h"
#include "Nodeloom/items/HandlesVisualStyle.h"
#include "Nodeloom/items/InvisibleHandlesImpl.h"
#include "Nodeloom/items/SquareHandlesImpl.h"
#include "foundation/Pixels.h"

using namespace nodeloom;

namespace {

bool isWhite(const Pixels& px, int x, int y) {
    return px.alpha(x, y) == 255 && px.red(x, y) == 255 && px.green(x, y) == 255 &&
           px.blue(x, y) == 255;
}

bool isDark(const Pixels& px, int x, int y) {
    return px.alpha(x, y) > 0 && px.red(x, y) < 128 && px.green(x, y) < 128;
}

std::shared_ptr<XmlElement> parse(const std::string& text) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("nodeloom-handles-" + std::to_string(::getpid()) + ".xml");
    std::ofstream(path) << text;
    XmlDomBuilder builder;
    builder.parseFile(path);
    std::filesystem::remove(path);
    return builder.root();
}

}  // namespace

TEST(SquareHandles, OneHandleIsAWhiteSquareOutlinedInBlack) {
    Pixels px(20, 20);
    Canvas canvas(px.cr());
    drawHandle(canvas, Point(10, 10), HandlesVisualStyle(), 8);
    // The square runs from (6, 6) to (14, 14); its outline is one pixel wide.
    EXPECT_TRUE(isWhite(px, 10, 10));
    EXPECT_TRUE(isWhite(px, 7, 12));
    EXPECT_TRUE(isDark(px, 6, 10) || isDark(px, 5, 10));
    EXPECT_TRUE(isDark(px, 13, 10) || isDark(px, 14, 10));
    EXPECT_EQ(px.alpha(4, 10), 0);
    EXPECT_EQ(px.alpha(16, 10), 0);
    EXPECT_EQ(px.alpha(10, 3), 0);
    EXPECT_EQ(px.alpha(10, 16), 0);
}

TEST(SquareHandles, NineHandlesSitOnCornersSideMiddlesAndCentre) {
    Pixels px(140, 90);
    Canvas canvas(px.cr());
    canvas.translateTransform(20, 20);
    SquareHandlesImpl::instance().drawRectHandles(canvas, Rect(0, 0, 100, 50), 6);
    const std::vector<Point> centres = {{0, 0},    {100, 0}, {0, 50},  {100, 50}, {0, 25},
                                        {100, 25}, {50, 0},  {50, 50}, {50, 25}};
    for (const Point& c : centres) {
        EXPECT_TRUE(isWhite(px, 20 + static_cast<int>(c.x), 20 + static_cast<int>(c.y)))
            << c.x << ", " << c.y;
    }
    // Between the handles nothing is drawn: no frame around the rectangle.
    EXPECT_EQ(px.alpha(45, 20), 0);
    EXPECT_EQ(px.alpha(20, 35), 0);
    EXPECT_EQ(px.alpha(95, 45), 0);
    Pixels::Box ink = px.ink();
    EXPECT_EQ(ink.left, 16);
    EXPECT_EQ(ink.top, 16);
    EXPECT_EQ(ink.right, 124);
    EXPECT_EQ(ink.bottom, 74);
}

TEST(InvisibleHandles, DrawNothing) {
    Pixels px(60, 60);
    Canvas canvas(px.cr());
    InvisibleHandlesImpl::instance().drawRectHandles(canvas, Rect(5, 5, 40, 40), 6);
    InvisibleHandlesImpl::instance().drawPointHandles(canvas, {{10, 10}, {30, 30}}, 6);
    EXPECT_EQ(px.ink().count, 0);
    EXPECT_EQ(&InvisibleHandlesImpl::instance(), &InvisibleHandlesImpl::instance());
}

TEST(HandlesVisualStyle, ReadsAHandlePenOrAStrokeBrushAndAHandleBrush) {
    XmlContext context;
    HandlesVisualStyle style;
    style.loadFromXml(nullptr, context);
    EXPECT_EQ(style.defHandleStrokeThickness(), 0.0);

    style.loadFromXml(parse("<Style><HandlePen><Color>#FFFF0000</Color></HandlePen>"
                            "<HandleBrush Type=\"Solid\"><Color>#FF0000FF</Color></HandleBrush>"
                            "</Style>"),
                      context);
    EXPECT_TRUE(*style.defHandleStroke() == Color(1, 0, 0));
    // No "Width": the thickness becomes -1, not the initial 0.
    EXPECT_EQ(style.defHandleStrokeThickness(), -1.0);
    auto* solid = dynamic_cast<SolidColorBrush*>(style.defHandleBrush().get());
    ASSERT_NE(solid, nullptr);
    EXPECT_TRUE(*solid->color() == Color(0, 0, 1));

    HandlesVisualStyle second;
    second.loadFromXml(parse("<Style><Stroke Type=\"Solid\"><Color>#FF00FF00</Color></Stroke>"
                             "<StrokeThickness>0.5</StrokeThickness></Style>"),
                       context);
    EXPECT_TRUE(*second.defHandleStroke() == Color(0, 1, 0));
    EXPECT_EQ(second.defHandleStrokeThickness(), 0.5);
    // No "HandleBrush": the white fill stays.
    EXPECT_TRUE(*dynamic_cast<SolidColorBrush&>(*second.defHandleBrush()).color() ==
                *Colors::White());

    // A brush reference that resolves to nothing keeps the brush; no thickness reads as -1.
    second.loadFromXml(parse("<Style><HandleBrush Id=\"7\"/></Style>"), context);
    EXPECT_EQ(second.defHandleStrokeThickness(), -1.0);
    EXPECT_TRUE(second.defHandleBrush());
    EXPECT_TRUE(*second.defHandleStroke() == Color(0, 1, 0));
}
