#include <gtest/gtest.h>

#include <memory>

#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/ImageView.h"

using namespace nodeloom;

TEST(ImageView, TakesItsPictureSizeAndReadsOnlyPictures) {
    auto image = std::make_shared<Image>(platform::ImageSurface::create(12, 7));
    auto view = platform::ImageView::create(image);
    EXPECT_EQ(view->frame(), Rect(0, 0, 12, 7));
    EXPECT_EQ(view->image(), image);
    EXPECT_EQ(platform::ImageView::create(nullptr)->frame(), Rect());
    EXPECT_FALSE(platform::ImageView::imageFromFile(""));
    EXPECT_FALSE(platform::ImageView::imageFromFile("/no/such/file.png"));
    EXPECT_FALSE(platform::ImageView::imageFromFile("/proc/self/status"));
    EXPECT_TRUE(view->renderImage());
}
