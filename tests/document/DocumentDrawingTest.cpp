#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Layer.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/platform/ImageSurface.h"
#include "Nodeloom/platform/Jpeg.h"
#include "foundation/Pixels.h"

using namespace nodeloom;

namespace {

// A document measured in points: its picture has one pixel per unit.
std::shared_ptr<Diagram> pointDocument(const Rect& bounds) {
    auto d = std::make_shared<Diagram>();
    d->setMeasureUnit(MeasureUnit::Point());
    d->setBounds(bounds);
    return d;
}

int redAt(const platform::ImageSurface& image, int x, int y) {
    const unsigned char* row = cairo_image_surface_get_data(image.surface()) +
                               y * cairo_image_surface_get_stride(image.surface());
    return row[x * 4 + 2];
}

std::vector<unsigned char> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// Notes what the document asks of it, in order, into a shared log.
class LoggingNode : public DiagramNode {
public:
    LoggingNode(std::string name, std::vector<std::string>& log, bool topLevel = true)
        : name_(std::move(name)), log_(log), topLevel_(topLevel) {}
    void draw(Canvas&, const RenderOptions&) override { log_.push_back(name_); }
    void drawShadow(Canvas&, const RenderOptions&) override { log_.push_back(name_ + " shadow"); }
    void drawHandles(Canvas&) override { log_.push_back(name_ + " handles"); }
    bool isTopLevel() const override { return topLevel_; }

private:
    std::string name_;
    std::vector<std::string>& log_;
    bool topLevel_;
};

}  // namespace

TEST(DocumentDrawing, ItemsAreDrawnBottomFirstWithShadowsThenHandles) {
    auto d = std::make_shared<Diagram>();
    std::vector<std::string> log;
    auto top = std::make_shared<LoggingNode>("top", log);
    auto bottom = std::make_shared<LoggingNode>("bottom", log);
    auto hidden = std::make_shared<LoggingNode>("hidden", log);
    auto child = std::make_shared<LoggingNode>("child", log, false);
    top->setZIndex(5);
    for (const auto& node : {top, bottom, hidden, child})
        d->addItem(node);
    d->layers().push_back(std::make_shared<Layer>());
    d->layers()[0]->setVisible(false);
    hidden->setLayerIndex(0);
    top->setSelected(true);

    Canvas canvas(d->measureUnit());
    d->draw(canvas, Rect(0, 0, 10, 10));
    EXPECT_EQ(log, (std::vector<std::string>{"bottom shadow", "bottom", "top shadow", "top",
                                             "top handles"}));

    log.clear();
    d->renderOptions()->setEnableShadows(false);
    d->draw(canvas, Rect(0, 0, 10, 10));
    EXPECT_EQ(log, (std::vector<std::string>{"bottom", "top", "top handles"}));
}

TEST(DocumentDrawing, BackgroundAndGrid) {
    auto d = pointDocument(Rect(0, 0, 40, 40));
    d->setShowGrid(true);
    d->setGridColor(Colors::Black());
    // What the grid puts on row y, over the refreshed area.
    const auto columnsAtRow = [&](int y, const Rect& refresh) {
        Pixels pixels(40, 40);
        Canvas canvas(pixels.cr());
        d->drawGrid(canvas, refresh);
        std::vector<int> columns;
        for (int x = 0; x < 20; ++x)
            if (pixels.alpha(x, y) > 250) columns.push_back(x);
        return columns;
    };
    using Columns = std::vector<int>;
    // Points: one pixel at every grid point, half a cell in without an offset.
    EXPECT_EQ(columnsAtRow(2, Rect(0, 0, 40, 40)), (Columns{2, 6, 10, 14, 18}));
    EXPECT_TRUE(columnsAtRow(4, Rect(0, 0, 40, 40)).empty());
    d->setGridOffsetX(5.0);
    EXPECT_EQ(columnsAtRow(2, Rect(0, 0, 40, 40)), (Columns{1, 5, 9, 13, 17}));
    d->setGridOffsetX(std::nullopt);
    // The refreshed area starts at the grid line inside its first cell, or at the next one when
    // that lies more than a pixel before the area.
    EXPECT_EQ(columnsAtRow(2, Rect(5.5, 0, 34, 40)).front(), 6);
    EXPECT_EQ(columnsAtRow(2, Rect(7, 0, 33, 40)).front(), 6);
    EXPECT_EQ(columnsAtRow(2, Rect(7.5, 0, 32, 40)).front(), 10);
    // Sizes that are no size draw nothing; a grid finer than a pixel draws each pixel once; an
    // area larger than any screen is no trouble.
    for (double size : {0.0, -4.0}) {
        d->setGridSizeX(size);
        EXPECT_TRUE(columnsAtRow(2, Rect(0, 0, 40, 40)).empty()) << size;
    }
    d->setGridSizeX(0.001);
    d->setGridSizeY(0.001);
    EXPECT_EQ(columnsAtRow(7, Rect(0, 0, 40, 40)).size(), 20u);
    d->setGridSizeX(4);
    d->setGridSizeY(4);
    EXPECT_EQ(columnsAtRow(2, Rect(0, 0, 1e9, 1e9)), (Columns{2, 6, 10, 14, 18}));

    // Lines run over the whole area.
    d->setGridStyle(GridStyle::lines);
    EXPECT_EQ(columnsAtRow(35, Rect(0, 0, 40, 40)).size(), 10u);

    // The document paints its background over its whole bounds whatever the refreshed area, and
    // no grid without showGrid.
    d->setShowGrid(false);
    d->setBounds(Rect(10, 20, 20, 10));
    d->setBrush(std::make_shared<SolidColorBrush>(Colors::Black()));
    Pixels pixels(40, 40);
    Canvas canvas(pixels.cr());
    d->draw(canvas, Rect(10, 20, 2, 2));
    EXPECT_EQ(pixels.ink().count, 200);
    EXPECT_EQ(pixels.red(25, 25), 0);
}

TEST(DocumentDrawing, ImagesOfTheDocument) {
    // A new document is an A4 page in millimetres: 595 by 841 pixels.
    auto d = std::make_shared<Diagram>();
    auto image = d->createImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixelWidth(), 595);
    EXPECT_EQ(image->pixelHeight(), 841);
    EXPECT_EQ(redAt(*image, 300, 400), 255);

    // The picture starts at the document's own corner.
    auto shifted = pointDocument(Rect(-50, 100, 20, 10));
    shifted->setBrush(std::make_shared<SolidColorBrush>(Colors::Black()));
    image = shifted->createImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixelWidth(), 20);
    EXPECT_EQ(redAt(*image, 0, 0), 0);
    EXPECT_EQ(redAt(*image, 19, 9), 0);

    // Bounds with no area, or too large to hold, give no picture.
    for (const Rect& bounds :
         {Rect(0, 0, 0, 10), Rect(0, 0, 10, -5), Rect(0, 0, 32768, 10), Rect(0, 0, 10, 1e300)}) {
        auto bad = pointDocument(bounds);
        EXPECT_EQ(bad->createImage(), nullptr) << bounds.toString();
    }
}

TEST(DocumentDrawing, ExportingImages) {
    const auto dir = std::filesystem::path(::testing::TempDir()) / "nodeloom_export";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    auto d = pointDocument(Rect(0, 0, 30, 20));

    EXPECT_TRUE(d->exportImage(dir / "a.png", "public.png"));
    const auto png = fileBytes(dir / "a.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    const auto back = platform::ImageSurface::fromData(png);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->pixelWidth(), 30);

    if (platform::Jpeg::available()) {
        EXPECT_TRUE(d->exportImage(dir / "b.jpg", "public.jpeg"));
        const auto jpeg = fileBytes(dir / "b.jpg");
        ASSERT_GT(jpeg.size(), 3u);
        EXPECT_EQ(jpeg[0], 0xFF);
        EXPECT_EQ(jpeg[1], 0xD8);
    }

    // A type it cannot write, a folder that is not there, or no picture: false and no file.
    EXPECT_FALSE(d->exportImage(dir / "c.tiff", "public.tiff"));
    EXPECT_FALSE(d->exportImage(dir / "missing" / "d.png", "public.png"));
    d->setBounds(Rect(0, 0, 0, 0));
    EXPECT_FALSE(d->exportImage(dir / "e.png", "public.png"));
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    const std::vector<std::string> expected = platform::Jpeg::available()
                                                  ? std::vector<std::string>{"a.png", "b.jpg"}
                                                  : std::vector<std::string>{"a.png"};
    EXPECT_EQ(written, expected);
    std::filesystem::remove_all(dir);
}

TEST(DocumentDrawing, MeasuringStrings) {
    auto d = std::make_shared<Diagram>();
    const auto measure = [&](const std::string& text) {
        return d->measureString(text, "Arial", 10, MeasureUnit::Point(), Rect(0, 0, 100, 100),
                                HorizontalAlignment::left, false, false, false);
    };
    const Size one = measure("Hello");
    const Size two = measure("Hello\nHello");
    EXPECT_GT(one.width, 5);
    EXPECT_NEAR(two.width, one.width, 1e-9);
    EXPECT_NEAR(two.height, 2 * one.height, one.height * 0.2);
    EXPECT_EQ(measure("").width, 0);
}
