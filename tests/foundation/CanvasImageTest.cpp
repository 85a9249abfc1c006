#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Converter.h"
#include "Nodeloom/foundation/Image.h"
#include "Nodeloom/foundation/ImageAlign.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Pixels.h"

using namespace nodeloom;
using platform::ImageSurface;

namespace {

// Upper half red, lower half blue, to tell up from down.
std::shared_ptr<ImageSurface> twoTone(double width, double height, double scale = 1.0) {
    auto image = ImageSurface::create(width, height, scale);
    cairo_t* cr = cairo_create(image->surface());
    cairo_scale(cr, scale, scale);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, 0, 0, width, height / 2);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_rectangle(cr, 0, height / 2, width, height / 2);
    cairo_fill(cr);
    cairo_destroy(cr);
    return image;
}

// Where the image lands as left, top, right, bottom.
std::array<int, 4> placed(ImageAlign align, double iw, double ih, const Rect& target) {
    Pixels px(100, 100);
    Canvas canvas(px.cr());
    canvas.drawImage(twoTone(iw, ih), target, align);
    const auto b = px.ink();
    return {b.left, b.top, b.right, b.bottom};
}

using Box = std::array<int, 4>;

}  // namespace

TEST(CanvasImage, PlacementsMirrorTopAndBottom) {
    const Rect target(0, 0, 100, 100);
    EXPECT_EQ(placed(ImageAlign::fit, 100, 50, target), (Box{0, 25, 100, 75}));
    EXPECT_EQ(placed(ImageAlign::fitTop, 100, 50, target), (Box{0, 50, 100, 100}));
    EXPECT_EQ(placed(ImageAlign::fitBottom, 100, 50, target), (Box{0, 0, 100, 50}));
    EXPECT_EQ(placed(ImageAlign::fitRight, 50, 100, target), (Box{50, 0, 100, 100}));
    EXPECT_EQ(placed(ImageAlign::topLeft, 100, 50, target), (Box{0, 50, 100, 100}));
    EXPECT_EQ(placed(ImageAlign::bottomRight, 100, 50, target), (Box{0, 0, 100, 50}));
    EXPECT_EQ(placed(ImageAlign::topCenter, 20, 10, target), (Box{40, 90, 60, 100}));
    EXPECT_EQ(placed(ImageAlign::middleRight, 20, 10, target), (Box{80, 45, 100, 55}));
    EXPECT_EQ(placed(ImageAlign::stretch, 20, 10, Rect(10, 10, 30, 60)), (Box{10, 10, 40, 70}));
    // Larger than the target: nothing is clipped.
    EXPECT_EQ(placed(ImageAlign::center, 80, 80, Rect(40, 40, 20, 20)), (Box{10, 10, 90, 90}));

    Pixels px(100, 100);
    Canvas canvas(px.cr());
    canvas.drawImage(twoTone(100, 50), target, ImageAlign::stretch);
    EXPECT_EQ(px.at(50, 10), 0xFFFF0000u);  // upright
    EXPECT_EQ(px.at(50, 90), 0xFF0000FFu);
}

TEST(CanvasImage, TilesRunUpFromTheBottomEdgeUnclipped) {
    Pixels px(200, 200);
    Canvas canvas(px.cr());
    canvas.translateTransform(50, 50);
    canvas.drawImage(twoTone(30, 30), Rect(0, 0, 100, 100), ImageAlign::tile);
    // 4 by 4 tiles over (0, -20) to (120, 100), seen through the offset of 50.
    const auto box = px.ink();
    EXPECT_EQ((Box{box.left, box.top, box.right, box.bottom}), (Box{50, 30, 170, 150}));
    EXPECT_EQ(px.at(55, 125), 0xFFFF0000u);
    EXPECT_EQ(px.at(55, 145), 0xFF0000FFu);
    EXPECT_EQ(px.at(55, 115), 0xFF0000FFu);
}

TEST(CanvasImage, NaturalSizeIsInPointsOnAnyCanvasUnit) {
    Pixels px(100, 100);
    Canvas canvas(px.cr());
    canvas.setMeasureUnit(MeasureUnit::Inch());
    canvas.drawImage(twoTone(36, 36, 2.0), Rect(0, 0, 1, 1), ImageAlign::bottomLeft);
    EXPECT_EQ(px.ink().right, 36);
    EXPECT_EQ(px.ink().bottom, 36);
}

TEST(CanvasImage, NothingToDrawLeavesTheCanvasAlone) {
    Pixels px(100, 100);
    Canvas canvas(px.cr());
    canvas.drawImage(nullptr, Rect(0, 0, 100, 100), ImageAlign::stretch);
    canvas.drawImage(ImageSurface::create(0, 0), Rect(0, 0, 100, 100), ImageAlign::tile);
    canvas.drawImage(twoTone(100, 50), Rect(0, 0, 100, 0), ImageAlign::fit);
    canvas.drawImage(twoTone(0.001, 0.001), Rect(0, 0, 1e9, 1e9), ImageAlign::tile);
    canvas.drawImage(twoTone(10, 10), Rect(0, 0, 1.0 / 0.0, 10), ImageAlign::center);
    canvas.drawImage(twoTone(10, 10), Rect(0, 0, 10, 10), static_cast<ImageAlign>(99));
    EXPECT_EQ(px.ink().count, 0);
    canvas.setBrush(std::make_shared<SolidColorBrush>(Colors::Red()));
    canvas.fillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(px.ink().count, 100);
    EXPECT_FALSE(fromRaw<ImageAlign>(16));
}

TEST(CanvasImage, ImagesTravelAsBase64Png) {
    auto surface = twoTone(30, 20, 2.0);
    const std::string text = Converter::fromImage(surface);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    auto image = Image::fromData(text);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->getWidth(), 60);
    EXPECT_EQ(image->getHeight(), 40);
    EXPECT_EQ(Image(surface).getWidth(), 2 * static_cast<int>(surface->size().width));

    for (const std::string& bad : {std::string(), text.substr(0, 40) + "\n" + text.substr(40),
                                   std::string("aGVsbG8gd29ybGQ="), std::string("no base64")}) {
        EXPECT_FALSE(Image::fromData(bad)) << bad;
    }
    EXPECT_EQ(Converter::fromImage(nullptr), "");
    EXPECT_EQ(Converter::fromImage(ImageSurface::create(0, 0)), "");
    EXPECT_EQ(Converter::fromColor(*Colors::Red()), "#FFFF0000");
}
