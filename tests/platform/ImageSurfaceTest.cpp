#include <gtest/gtest.h>

#include <vector>

#include "Nodeloom/platform/ImageSurface.h"

using nodeloom::platform::ImageSurface;

TEST(ImageSurface, SizeInPointsIsPixelsOverScale) {
    auto image = ImageSurface::create(10, 5, 2.0);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelWidth(), 20);
    EXPECT_EQ(image->size(), nodeloom::Size(10, 5));
    EXPECT_FALSE(ImageSurface::create(-1, 5));
    EXPECT_FALSE(ImageSurface::create(1.0 / 0.0, 5));
    EXPECT_FALSE(ImageSurface::create(5, 5, 0.0));
    EXPECT_FALSE(ImageSurface::create(1e9, 5));
}

TEST(ImageSurface, PngRoundTripKeepsPixels) {
    auto image = ImageSurface::create(3, 2);
    cairo_t* cr = cairo_create(image->surface());
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_rectangle(cr, 0, 0, 1, 1);
    cairo_fill(cr);
    cairo_destroy(cr);
    auto back = ImageSurface::fromData(image->pngData());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixelWidth(), 3);
    EXPECT_EQ(back->pixelHeight(), 2);
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(back->surface()));
    EXPECT_EQ(row[0], 0xFFFF0000u);
    EXPECT_EQ(row[1], 0x00000000u);
}

TEST(ImageSurface, BytesThatAreNoPictureGiveNothing) {
    EXPECT_FALSE(ImageSurface::fromData({}));
    EXPECT_FALSE(ImageSurface::fromData({'h', 'e', 'l', 'l', 'o'}));
    auto png = ImageSurface::create(4, 4)->pngData();
    png.resize(png.size() / 2);
    EXPECT_FALSE(ImageSurface::fromData(png));
    EXPECT_TRUE(ImageSurface::create(0, 0)->pngData().empty());
}
