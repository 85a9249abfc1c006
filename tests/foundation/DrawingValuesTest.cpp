#include <gtest/gtest.h>

#include <vector>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/DashStyle.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Pixels.h"

using namespace nodeloom;

TEST(DashStyle, PatternsAreHalfMillimetresInTheCanvasUnit) {
    Pixels px(10, 10);
    Canvas canvas(px.cr());
    auto dash = [&](DashStyle style) {
        apply(style, canvas);
        std::vector<double> d(static_cast<std::size_t>(cairo_get_dash_count(px.cr())));
        cairo_get_dash(px.cr(), d.data(), nullptr);
        return d;
    };
    const auto points = dash(DashStyle::dash);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NEAR(points[0], 2 * 72 / 25.4, 1e-4);
    EXPECT_NEAR(points[1], 0.5 * 72 / 25.4, 1e-4);

    canvas.setMeasureUnit(MeasureUnit::Millimeter());
    EXPECT_EQ(dash(DashStyle::dash), (std::vector<double>{2.0, 0.5}));
    EXPECT_EQ(dash(DashStyle::dashDot), (std::vector<double>{2.0, 0.5, 0.5, 0.5}));
    EXPECT_EQ(dash(DashStyle::dashDotDot).size(), 6u);
    EXPECT_TRUE(dash(DashStyle::solid).empty());
    dash(DashStyle::dot);
    EXPECT_TRUE(dash(DashStyle::custom).empty());
    EXPECT_FALSE(fromRaw<DashStyle>(6));
}

TEST(RenderOptions, DefaultsAndRawValues) {
    RenderOptions options;
    EXPECT_TRUE(options.enableShadows() && options.enableText() && options.enableGrid());
    EXPECT_FALSE(options.enableEffects() || options.paintControls());
    EXPECT_EQ(options.hyperLinkTarget(), "_self");
    EXPECT_EQ(options.hyperLinkStyle(), HyperLinkStyle::text);
    EXPECT_EQ(options.scale(), 100.0);
    for (int raw : {-1, 3})
        EXPECT_FALSE(fromRaw<HyperLinkStyle>(raw));
    for (int raw : {-1, 2})
        EXPECT_FALSE(fromRaw<RenderTarget>(raw));
    for (int raw : {-1, 5})
        EXPECT_FALSE(fromRaw<CustomDraw>(raw));
    EXPECT_EQ(fromRaw<CustomDraw>(4), CustomDraw::additional2);
}
