#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Pixels.h"

using namespace nodeloom;

namespace {

// Named with the style enumerations; the raw values are fixed.
const auto kLeft = static_cast<HorizontalAlignment>(0);
const auto kCenter = static_cast<HorizontalAlignment>(1);
const auto kRight = static_cast<HorizontalAlignment>(2);
const auto kTop = static_cast<VerticalAlignment>(0);
const auto kMiddle = static_cast<VerticalAlignment>(1);
const auto kBottom = static_cast<VerticalAlignment>(2);

const std::string kSentence = "The quick brown fox jumps over the lazy dog again and again";

struct Measure {
    Canvas canvas{MeasureUnit::Point()};
    explicit Measure(double size, const std::string& font = "ArialMT") {
        canvas.setFont(font, size, MeasureUnit::Point());
    }
    std::shared_ptr<TextFrame> frame(const std::string& text, double w, double h) {
        return canvas.createTextFrame(text, Rect(0, 0, w, h), kLeft, false, false, false);
    }
    double width(const std::string& text, double w = 1e4, double h = 1e4) {
        return canvas.measureFrameWidth(frame(text, w, h));
    }
    double height(const std::string& text, double w = 1e4, double h = 1e4) {
        return canvas.measureFrameHeight(frame(text, w, h));
    }
};

Pixels::Box inkOf(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                  VerticalAlignment va, bool underline = false) {
    Pixels px(200, 200);
    Canvas canvas(px.cr());
    canvas.setFont("ArialMT", 12, MeasureUnit::Point());
    canvas.drawText(text, rect, ha, va, false, false, underline);
    return px.ink();
}

}  // namespace

TEST(CanvasText, WrapsToTheWidthAndCutsAtTheHeight) {
    Measure m(12);
    EXPECT_FALSE(m.frame("", 100, 100));
    EXPECT_EQ(m.canvas.measureFrameHeight(nullptr), 0.0);
    const double line = m.height("x");
    ASSERT_GT(line, 10);
    EXPECT_EQ(m.frame(kSentence, 1e4, 1e4)->lines().size(), 1u);

    auto narrow = m.frame(kSentence, 120, 1e4);
    ASSERT_GE(narrow->lines().size(), 3u);
    // The widest line, not the box; uniform lines stack to the block's height.
    EXPECT_LE(m.canvas.measureFrameWidth(narrow), 120);
    EXPECT_GT(m.canvas.measureFrameWidth(narrow), 60);
    EXPECT_NEAR(m.canvas.measureFrameHeight(narrow), line * narrow->lines().size(), line * 0.01);

    EXPECT_EQ(m.frame(kSentence, 120, line * 2.5)->lines().size(), 2u);
    EXPECT_TRUE(m.frame(kSentence, 120, line * 0.5)->lines().empty());
    const auto cut = inkOf(kSentence, Rect(0, 0, 120, line * 2.5), kLeft, kTop);
    EXPECT_LT(cut.bottom, inkOf(kSentence, Rect(0, 0, 120, 190), kLeft, kTop).bottom);
    EXPECT_LE(cut.bottom, line * 2 + 1);
}

TEST(CanvasText, MeasuresScaleLinearlyWithTheFontSize) {
    Measure small(10), large(40);
    EXPECT_NEAR(large.width(kSentence), 4 * small.width(kSentence), small.width(kSentence) * 0.005);
    EXPECT_NEAR(large.height(kSentence), 4 * small.height(kSentence), small.height("x") * 0.02);
}

TEST(CanvasText, AlignsTheBlockInTheRectangle) {
    const Rect box(20, 20, 160, 160);
    const auto top = inkOf("Hello", box, kLeft, kTop);
    const auto middle = inkOf("Hello", box, kCenter, kMiddle);
    const auto bottom = inkOf("Hello", box, kRight, kBottom);
    EXPECT_GE(top.top, 20);
    EXPECT_LT(top.top, 30);
    EXPECT_GE(top.left, 20);
    EXPECT_LT(top.left, 24);
    EXPECT_LE(bottom.bottom, 180);
    EXPECT_GT(bottom.bottom, 170);
    EXPECT_LE(bottom.right, 180);
    EXPECT_GT(bottom.right, 176);
    EXPECT_NEAR((middle.left + middle.right) / 2.0, 100, 2);
    EXPECT_NEAR((middle.top + middle.bottom) / 2.0, 100, 4);

    const auto underlined = inkOf("Hello", box, kLeft, kTop, true);
    EXPECT_GT(underlined.count, top.count);
}

TEST(CanvasText, UnknownFontsFallBackToTheDefault) {
    const double arialMT = Measure(12).width(kSentence);
    for (const char* name : {"Arial", "No Such Font Anywhere", "", "Foo,Bar"}) {
        EXPECT_DOUBLE_EQ(Measure(12, name).width(kSentence), arialMT) << name;
    }
}

TEST(CanvasText, DrawsOneLineAtAPoint) {
    Pixels px(400, 100);
    Canvas canvas(px.cr());
    canvas.setFont("ArialMT", 12, MeasureUnit::Point());
    canvas.drawText(kSentence, Point(10, 30));
    const auto box = px.ink();
    EXPECT_GE(box.left, 10);
    EXPECT_GE(box.top, 30);
    EXPECT_LT(box.bottom, 50);
    EXPECT_GT(box.right, 250);

    canvas.setFont("ArialMT", 40, MeasureUnit::Point());
    canvas.drawText("Hi", Point(10, 60));  // taller than the fixed 20-unit line
    EXPECT_EQ(px.ink().count, box.count);
}

TEST(CanvasText, NonsenseSizesAndBoxesDoNotStopTheCanvas) {
    Pixels px(50, 50);
    Canvas canvas(px.cr());
    canvas.setFont("ArialMT", 0, MeasureUnit::Point());
    canvas.drawText("x", Rect(0, 0, 50, 50), kLeft, kTop, false, false, false);
    EXPECT_GT(px.ink().count, 0);
    canvas.setFont("ArialMT", 1e300, MeasureUnit::Point());
    canvas.drawText("x", Rect(0, 0, 50, 50), kLeft, kTop, false, false, false);
    canvas.setFont("ArialMT", 12, MeasureUnit::Point());
    canvas.drawText("x", Rect(0, 0, 1e300, 1e300), kLeft, kTop, false, false, false);
    canvas.scaleTransform(1e4);
    canvas.drawText("x", Rect(0, 0, 50, 50), static_cast<HorizontalAlignment>(9),
                    static_cast<VerticalAlignment>(-3), true, true, false);
    EXPECT_EQ(cairo_status(px.cr()), CAIRO_STATUS_SUCCESS);
}
