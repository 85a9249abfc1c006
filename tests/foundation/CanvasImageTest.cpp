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

// A picture whose upper half is red and lower half blue, to tell up from down.
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

Pixels::Box placed(ImageAlign align, double iw, double ih, const Rect& target, int size = 100) {
    Pixels px(size, size);
    Canvas canvas(px.cr());
    canvas.drawImage(twoTone(iw, ih), target, align);
    return px.ink();
}

void expectBox(const Pixels::Box& box, int left, int top, int right, int bottom) {
    EXPECT_EQ(box.left, left);
    EXPECT_EQ(box.top, top);
    EXPECT_EQ(box.right, right);
    EXPECT_EQ(box.bottom, bottom);
}

}  // namespace

TEST(CanvasImage, FittingKeepsTheAspectAndMirrorsTopAndBottom) {
    const Rect target(0, 0, 100, 100);
    expectBox(placed(ImageAlign::fit, 100, 50, target), 0, 25, 100, 75);
    expectBox(placed(ImageAlign::fitTop, 100, 50, target), 0, 50, 100, 100);
    expectBox(placed(ImageAlign::fitBottom, 100, 50, target), 0, 0, 100, 50);
    expectBox(placed(ImageAlign::fitLeft, 50, 100, target), 0, 0, 50, 100);
    expectBox(placed(ImageAlign::fitRight, 50, 100, target), 50, 0, 100, 100);
    expectBox(placed(ImageAlign::fit, 20, 40, target), 25, 0, 75, 100);
}

TEST(CanvasImage, FixedPlacementsAtNaturalSize) {
    const Rect target(0, 0, 100, 100);
    expectBox(placed(ImageAlign::topLeft, 100, 50, target), 0, 50, 100, 100);
    expectBox(placed(ImageAlign::bottomRight, 100, 50, target), 0, 0, 100, 50);
    expectBox(placed(ImageAlign::topRight, 20, 10, target), 80, 90, 100, 100);
    expectBox(placed(ImageAlign::bottomLeft, 20, 10, target), 0, 0, 20, 10);
    expectBox(placed(ImageAlign::topCenter, 20, 10, target), 40, 90, 60, 100);
    expectBox(placed(ImageAlign::bottomCenter, 20, 10, target), 40, 0, 60, 10);
    expectBox(placed(ImageAlign::middleLeft, 20, 10, target), 0, 45, 20, 55);
    expectBox(placed(ImageAlign::middleRight, 20, 10, target), 80, 45, 100, 55);
    expectBox(placed(ImageAlign::center, 20, 10, target), 40, 45, 60, 55);
    expectBox(placed(ImageAlign::stretch, 20, 10, Rect(10, 10, 30, 60)), 10, 10, 40, 70);
    // Larger than the target: nothing is clipped.
    expectBox(placed(ImageAlign::center, 80, 80, Rect(40, 40, 20, 20)), 10, 10, 90, 90);
}

TEST(CanvasImage, ImagesShowUpright) {
    Pixels px(100, 100);
    Canvas canvas(px.cr());
    canvas.drawImage(twoTone(100, 50), Rect(0, 0, 100, 100), ImageAlign::stretch);
    EXPECT_EQ(px.at(50, 10), 0xFFFF0000u);
    EXPECT_EQ(px.at(50, 90), 0xFF0000FFu);
}

TEST(CanvasImage, TilesRunUpFromTheBottomEdgeUnclipped) {
    Pixels px(200, 200);
    Canvas canvas(px.cr());
    canvas.translateTransform(50, 50);
    canvas.drawImage(twoTone(30, 30), Rect(0, 0, 100, 100), ImageAlign::tile);
    // 4 by 4 tiles over (0, -20) to (120, 100), seen through the offset of 50.
    expectBox(px.ink(), 50, 30, 170, 150);
    // Each tile is upright, with its bottom on a multiple of 30 from the bottom edge.
    EXPECT_EQ(px.at(55, 150 - 25), 0xFFFF0000u);
    EXPECT_EQ(px.at(55, 150 - 5), 0xFF0000FFu);
    EXPECT_EQ(px.at(55, 150 - 35), 0xFF0000FFu);
}

TEST(CanvasImage, NaturalSizeIsInPointsOnAnyCanvasUnit) {
    Pixels px(100, 100);
    Canvas canvas(px.cr());
    canvas.setMeasureUnit(MeasureUnit::Inch());
    // A 36 by 36 point image is half an inch square.
    canvas.drawImage(twoTone(36, 36, 2.0), Rect(0, 0, 1, 1), ImageAlign::bottomLeft);
    expectBox(px.ink(), 0, 0, 36, 36);
}

TEST(CanvasImage, NothingToDrawLeavesTheCanvasAlone) {
    Pixels px(100, 100);
    Canvas canvas(px.cr());
    canvas.drawImage(nullptr, Rect(0, 0, 100, 100), ImageAlign::stretch);
    canvas.drawImage(ImageSurface::create(0, 0), Rect(0, 0, 100, 100), ImageAlign::tile);
    canvas.drawImage(twoTone(100, 50), Rect(0, 0, 100, 0), ImageAlign::fit);
    canvas.drawImage(twoTone(100, 50), Rect(0, 0, 0, 0), ImageAlign::stretch);
    canvas.drawImage(twoTone(0.001, 0.001), Rect(0, 0, 1e9, 1e9), ImageAlign::tile);
    canvas.drawImage(twoTone(10, 10), Rect(0, 0, 1.0 / 0.0, 10), ImageAlign::center);
    canvas.drawImage(twoTone(10, 10), Rect(0, 0, 10, 10), static_cast<ImageAlign>(99));
    EXPECT_EQ(px.paintedCount(), 0);
    EXPECT_EQ(cairo_status(px.cr()), CAIRO_STATUS_SUCCESS);
    // The state around the image is as it was.
    canvas.setBrush(std::make_shared<SolidColorBrush>(Colors::Red()));
    canvas.fillRect(Rect(0, 0, 10, 10));
    expectBox(px.ink(), 0, 0, 10, 10);
}

TEST(CanvasImage, ImagesTravelAsBase64Png) {
    auto surface = twoTone(30, 20, 2.0);
    const std::string text = Converter::fromImage(surface);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), std::string::npos);
    auto image = Image::fromData(text);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->getWidth(), 60);
    EXPECT_EQ(image->getHeight(), 40);
    EXPECT_EQ(Image(surface).getWidth(), 2 * static_cast<int>(surface->size().width));

    EXPECT_FALSE(Image::fromData(""));
    EXPECT_FALSE(Image::fromData(text.substr(0, 40) + "\n" + text.substr(40)));
    EXPECT_FALSE(Image::fromData("aGVsbG8gd29ybGQ="));  // base64, but no picture
    EXPECT_FALSE(Image::fromData("not base64 at all"));
    EXPECT_EQ(Converter::fromImage(nullptr), "");
    EXPECT_EQ(Converter::fromImage(ImageSurface::create(0, 0)), "");
    EXPECT_EQ(Image(nullptr).getWidth(), 0);

    EXPECT_EQ(Converter::fromColor(*Colors::Red()), "#FFFF0000");
}

TEST(CanvasImage, ImagesCompareByIdentity) {
    auto surface = twoTone(4, 4);
    auto a = std::make_shared<Image>(surface);
    auto b = std::make_shared<Image>(surface);
    EXPECT_NE(a, b);
    EXPECT_NE(a->hashValue(), b->hashValue());
    EXPECT_EQ(a->hashValue(), a->hashValue());
}

TEST(ImageAlign, FromRawKnowsSixteenPlacements) {
    EXPECT_EQ(fromRaw<ImageAlign>(0), ImageAlign::center);
    EXPECT_EQ(fromRaw<ImageAlign>(15), ImageAlign::fitBottom);
    EXPECT_FALSE(fromRaw<ImageAlign>(16));
    EXPECT_FALSE(fromRaw<ImageAlign>(-1));
}
