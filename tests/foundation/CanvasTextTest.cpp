#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Pixels.h"

using namespace nodeloom;

namespace {

// The alignments are named with the style enumerations; their raw values are fixed.
const auto kLeft = static_cast<HorizontalAlignment>(0);
const auto kCenter = static_cast<HorizontalAlignment>(1);
const auto kRight = static_cast<HorizontalAlignment>(2);
const auto kTop = static_cast<VerticalAlignment>(0);
const auto kMiddle = static_cast<VerticalAlignment>(1);
const auto kBottom = static_cast<VerticalAlignment>(2);

const std::string kSentence = "The quick brown fox jumps over the lazy dog again and again";

std::shared_ptr<Canvas> measuringCanvas(double size) {
    auto canvas = std::make_shared<Canvas>(MeasureUnit::Point());
    canvas->setFont("ArialMT", size, MeasureUnit::Point());
    return canvas;
}

Pixels::Box inkOf(const std::string& text, const Rect& rect, HorizontalAlignment ha,
                  VerticalAlignment va, int w = 200, int h = 200) {
    Pixels px(w, h);
    Canvas canvas(px.cr());
    canvas.setFont("ArialMT", 12, MeasureUnit::Point());
    canvas.drawText(text, rect, ha, va, false, false, false);
    return px.ink();
}

}  // namespace

TEST(CanvasText, EmptyTextHasNoFrameAndDrawsNothing) {
    auto canvas = measuringCanvas(12);
    EXPECT_FALSE(canvas->createTextFrame("", Rect(0, 0, 100, 100), kLeft, false, false, false));
    EXPECT_EQ(canvas->measureFrameHeight(nullptr), 0.0);
    EXPECT_EQ(canvas->measureFrameWidth(nullptr), 0.0);
    EXPECT_EQ(inkOf("", Rect(0, 0, 100, 100), kLeft, kTop).top, -1);
}

TEST(CanvasText, WrapsToTheWidthAndMeasuresTheWidestLine) {
    auto canvas = measuringCanvas(12);
    auto wide =
        canvas->createTextFrame(kSentence, Rect(0, 0, 1000, 1000), kLeft, false, false, false);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->lines().size(), 1u);
    const double oneLine = canvas->measureFrameWidth(wide);
    EXPECT_GT(oneLine, 100);

    auto narrow =
        canvas->createTextFrame(kSentence, Rect(0, 0, 120, 1000), kLeft, false, false, false);
    ASSERT_TRUE(narrow);
    EXPECT_GE(narrow->lines().size(), 3u);
    EXPECT_LE(canvas->measureFrameWidth(narrow), 120);
    EXPECT_GT(canvas->measureFrameWidth(narrow), 60);
    // Uniform lines: the block is as tall as its lines stacked.
    const double lineHeight = canvas->measureFrameHeight(wide);
    EXPECT_NEAR(canvas->measureFrameHeight(narrow), lineHeight * narrow->lines().size(),
                lineHeight * 0.01);
}

TEST(CanvasText, OnlyLinesThatFitTheHeightAreKept) {
    auto canvas = measuringCanvas(12);
    auto one = canvas->createTextFrame("x", Rect(0, 0, 100, 100), kLeft, false, false, false);
    const double lineHeight = canvas->measureFrameHeight(one);
    ASSERT_GT(lineHeight, 10);

    auto cut = canvas->createTextFrame(kSentence, Rect(0, 0, 120, lineHeight * 2.5), kLeft, false,
                                       false, false);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->lines().size(), 2u);
    EXPECT_LE(canvas->measureFrameHeight(cut), lineHeight * 2.5);

    auto none = canvas->createTextFrame(kSentence, Rect(0, 0, 120, lineHeight * 0.5), kLeft, false,
                                        false, false);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->lines().empty());
    EXPECT_EQ(canvas->measureFrameHeight(none), 0.0);

    // Drawn, the cut block shows only its two lines.
    const auto full = inkOf(kSentence, Rect(0, 0, 120, 190), kLeft, kTop);
    const auto twoLines = inkOf(kSentence, Rect(0, 0, 120, lineHeight * 2.5), kLeft, kTop);
    EXPECT_LT(twoLines.bottom, full.bottom);
    EXPECT_LE(twoLines.bottom, lineHeight * 2 + 1);
}

TEST(CanvasText, MeasuresScaleWithTheFontSize) {
    auto small = measuringCanvas(10);
    auto large = measuringCanvas(40);
    auto a = small->createTextFrame(kSentence, Rect(0, 0, 1e5, 1e4), kLeft, false, false, false);
    auto b = large->createTextFrame(kSentence, Rect(0, 0, 1e5, 1e4), kLeft, false, false, false);
    EXPECT_NEAR(large->measureFrameWidth(b), 4 * small->measureFrameWidth(a),
                small->measureFrameWidth(a) * 0.005);
    EXPECT_NEAR(large->measureFrameHeight(b), 4 * small->measureFrameHeight(a),
                small->measureFrameHeight(a) * 0.005);
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
    // The three blocks are the same text moved about.
    EXPECT_NEAR(top.right - top.left, bottom.right - bottom.left, 1);
}

TEST(CanvasText, UnknownFontsFallBackToTheDefault) {
    auto canvas = measuringCanvas(12);
    auto widthWith = [&](const std::string& name) {
        canvas->setFont(name, 12, MeasureUnit::Point());
        return canvas->measureFrameWidth(
            canvas->createTextFrame(kSentence, Rect(0, 0, 1e4, 100), kLeft, false, false, false));
    };
    const double arialMT = widthWith("ArialMT");
    EXPECT_GT(arialMT, 0);
    EXPECT_DOUBLE_EQ(widthWith("Arial"), arialMT);
    EXPECT_DOUBLE_EQ(widthWith("No Such Font Anywhere"), arialMT);
    EXPECT_DOUBLE_EQ(widthWith(""), arialMT);
    EXPECT_DOUBLE_EQ(widthWith("Foo,Bar"), arialMT);
}

TEST(CanvasText, StylesUnderlineAndColour) {
    Pixels plain(200, 60), underlined(200, 60);
    Canvas a(plain.cr()), b(underlined.cr());
    for (Canvas* c : {&a, &b}) {
        c->setFont("ArialMT", 20, MeasureUnit::Point());
        c->setTextColor(std::make_shared<Color>(1.0, 0.0, 0.0));
    }
    a.drawText("Hello", Rect(0, 0, 200, 60), kLeft, kTop, false, false, false);
    b.drawText("Hello", Rect(0, 0, 200, 60), kLeft, kTop, false, false, true);
    EXPECT_GT(underlined.paintedCount(), plain.paintedCount());
    EXPECT_GE(underlined.ink().bottom, plain.ink().bottom);
    const auto box = plain.ink();
    bool red = false;
    for (int y = box.top; y < box.bottom && !red; ++y)
        for (int x = box.left; x < box.right && !red; ++x)
            red = plain.at(x, y) == 0xFFFF0000u;
    EXPECT_TRUE(red);
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
    EXPECT_GT(box.right, 250);  // not wrapped

    // Taller than the fixed 20-unit line: not drawn.
    Pixels big(400, 100);
    Canvas c2(big.cr());
    c2.setFont("ArialMT", 40, MeasureUnit::Point());
    c2.drawText("Hi", Point(10, 10));
    EXPECT_EQ(big.paintedCount(), 0);
}

TEST(CanvasText, NonsenseSizesAndBoxesDoNotStopTheCanvas) {
    Pixels px(50, 50);
    Canvas canvas(px.cr());
    canvas.setFont("ArialMT", 0, MeasureUnit::Point());
    canvas.drawText("x", Rect(0, 0, 50, 50), kLeft, kTop, false, false, false);
    EXPECT_GT(px.paintedCount(), 0);
    canvas.setFont("ArialMT", 1e300, MeasureUnit::Point());
    canvas.drawText("x", Rect(0, 0, 50, 50), kLeft, kTop, false, false, false);
    canvas.setFont("ArialMT", 12, MeasureUnit::Point());
    canvas.drawText("x", Rect(0, 0, 1e300, 1e300), kLeft, kTop, false, false, false);
    canvas.drawText("x", Rect(0, 0, -5, 50), kLeft, kTop, false, false, false);
    canvas.saveState();
    canvas.scaleTransform(1e4);
    canvas.drawText("x", Rect(0, 0, 50, 50), kLeft, kTop, false, false, false);
    canvas.restoreState();
    canvas.drawText("x", Rect(0, 0, 50, 50), static_cast<HorizontalAlignment>(9),
                    static_cast<VerticalAlignment>(-3), true, true, false);
    EXPECT_EQ(cairo_status(px.cr()), CAIRO_STATUS_SUCCESS);
}
