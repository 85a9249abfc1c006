#include <gtest/gtest.h>

#include <vector>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/DashStyle.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/foundation/RenderOptions.h"
#include "Pixels.h"

using namespace nodeloom;

namespace {
std::vector<double> dashOf(cairo_t* cr) {
    std::vector<double> dashes(static_cast<std::size_t>(cairo_get_dash_count(cr)));
    cairo_get_dash(cr, dashes.data(), nullptr);
    return dashes;
}
}  // namespace

TEST(DashStyle, PatternsAreHalfMillimetresInTheCanvasUnit) {
    Pixels px(10, 10);
    Canvas canvas(px.cr());
    apply(DashStyle::dash, canvas);
    const auto points = dashOf(px.cr());
    ASSERT_EQ(points.size(), 2u);
    EXPECT_NEAR(points[0], 2 * 72 / 25.4, 1e-4);
    EXPECT_NEAR(points[1], 0.5 * 72 / 25.4, 1e-4);

    canvas.setMeasureUnit(MeasureUnit::Millimeter());
    apply(DashStyle::dash, canvas);
    EXPECT_EQ(dashOf(px.cr()), (std::vector<double>{2.0, 0.5}));
    apply(DashStyle::dot, canvas);
    EXPECT_EQ(dashOf(px.cr()), (std::vector<double>{0.5, 0.5}));
    apply(DashStyle::dashDot, canvas);
    EXPECT_EQ(dashOf(px.cr()), (std::vector<double>{2.0, 0.5, 0.5, 0.5}));
    apply(DashStyle::dashDotDot, canvas);
    EXPECT_EQ(dashOf(px.cr()).size(), 6u);
    apply(DashStyle::solid, canvas);
    EXPECT_TRUE(dashOf(px.cr()).empty());
    apply(DashStyle::dash, canvas);
    apply(DashStyle::custom, canvas);
    EXPECT_TRUE(dashOf(px.cr()).empty());
}

TEST(DashStyle, FromRawKnowsSixStyles) {
    EXPECT_EQ(fromRaw<DashStyle>(0), DashStyle::solid);
    EXPECT_EQ(fromRaw<DashStyle>(5), DashStyle::custom);
    EXPECT_FALSE(fromRaw<DashStyle>(6));
    EXPECT_FALSE(fromRaw<DashStyle>(-1));
}

TEST(RenderOptions, DefaultsAndStoredValues) {
    RenderOptions options;
    EXPECT_TRUE(options.enableShadows() && options.enableImages() && options.enableInterior() &&
                options.enableAnchors() && options.enableBackground() &&
                options.enableBackgroundImage() && options.enableText() && options.enableGrid());
    EXPECT_FALSE(options.enableEffects());
    EXPECT_FALSE(options.paintControls());
    EXPECT_FALSE(options.catchGdiPlusExceptions());
    EXPECT_EQ(options.hyperLinkTarget(), "_self");
    EXPECT_EQ(options.hyperLinkStyle(), HyperLinkStyle::text);
    EXPECT_EQ(options.renderTarget(), RenderTarget::display);
    EXPECT_FALSE(options.targetView());
    EXPECT_EQ(options.scale(), 100.0);
    EXPECT_EQ(options.visibleRect(), Rect());

    options.setScale(-5);
    options.setVisibleRect(Rect(1, 2, -3, 0));
    EXPECT_EQ(options.scale(), -5);
    EXPECT_EQ(options.visibleRect(), Rect(1, 2, -3, 0));
}

TEST(RenderOptions, EnumerationsFromRawValues) {
    EXPECT_EQ(fromRaw<HyperLinkStyle>(2), HyperLinkStyle::shape);
    EXPECT_FALSE(fromRaw<HyperLinkStyle>(3));
    EXPECT_EQ(fromRaw<RenderTarget>(1), RenderTarget::printer);
    EXPECT_FALSE(fromRaw<RenderTarget>(2));
    EXPECT_EQ(fromRaw<CustomDraw>(4), CustomDraw::additional2);
    EXPECT_FALSE(fromRaw<CustomDraw>(5));
    EXPECT_FALSE(fromRaw<HyperLinkStyle>(-1));
    EXPECT_FALSE(fromRaw<RenderTarget>(-1));
    EXPECT_FALSE(fromRaw<CustomDraw>(-1));
}
