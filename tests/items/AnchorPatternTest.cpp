#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "RecordingCanvas.h"

using namespace nodeloom;

namespace {

// "x y in out style" per point, with the colour by identity.
std::string describe(const AnchorPattern& pattern) {
    std::string text;
    for (const auto& p : pattern.points()) {
        text += std::to_string(int(p->x())) + " " + std::to_string(int(p->y())) + " " +
                (p->allowIncoming() ? "in " : "") + (p->allowOutgoing() ? "out " : "") +
                std::to_string(int(p->markStyle())) +
                (p->color() == Colors::Blue()    ? " blue"
                 : p->color() == Colors::Green() ? " green"
                 : p->color() == Colors::Red()   ? " red"
                                                 : " ?") +
                "; ";
    }
    return text;
}

}  // namespace

TEST(AnchorPoint, MarksSitAtTheirPlaceInTheNodeBox) {
    const Rect bounds(10, 20, 40, 30);
    RecordingCanvas canvas;
    AnchorPoint corner(100, 100, true, true, MarkStyle::circle, Colors::Blue());
    corner.draw(canvas, bounds, bounds.center(), 0, 2);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].what, "ellipse");
    EXPECT_EQ(Rect(canvas.calls[0].a, canvas.calls[0].b, canvas.calls[0].c, canvas.calls[0].d),
              Rect(49, 49, 2, 2));
    EXPECT_EQ(canvas.stroke, *Colors::Blue());
    // The mark's line is one device pixel, whatever the canvas unit.
    EXPECT_DOUBLE_EQ(cairo_get_line_width(canvas.context()),
                     MeasureUnit::Pixel()->convert(1.0, MeasureUnit::Millimeter(), &canvas));

    // Fixed units measure from the node's top-left corner.
    canvas.calls.clear();
    AnchorPoint fixed(5, 5, true, true, MarkStyle::cross);
    fixed.setXUnit(UnitType::fixed);
    fixed.setYUnit(UnitType::fixed);
    fixed.draw(canvas, bounds, bounds.center(), 0, 4);
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].a, 13);
    EXPECT_EQ(canvas.calls[0].b, 25);
    EXPECT_EQ(canvas.calls[1].b, 23);
    EXPECT_EQ(canvas.calls[1].d, 27);
}

TEST(AnchorPoint, MarkStylesAndRotation) {
    const Rect bounds(0, 0, 100, 50);
    RecordingCanvas canvas;
    AnchorPoint(50, 50).draw(canvas, bounds, bounds.center(), 0, 2);
    ASSERT_EQ(canvas.calls.size(), 2u);  // the default x: two diagonals
    EXPECT_EQ(canvas.calls[1].a, 51);
    EXPECT_EQ(canvas.calls[1].b, 24);

    // A rotated node turns the mark's place about the pivot, not the mark.
    canvas.calls.clear();
    AnchorPoint right(100, 50, true, true, MarkStyle::rectangle, Colors::Green());
    right.draw(canvas, bounds, bounds.center(), 90, 2);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_NEAR(canvas.calls[0].a, 49, 1e-9);
    EXPECT_NEAR(canvas.calls[0].b, 74, 1e-9);
    EXPECT_EQ(canvas.calls[0].c, 2);
    EXPECT_EQ(canvas.brushes.back()->toColor(), Colors::Transparent());

    canvas.calls.clear();
    testing::internal::CaptureStdout();
    AnchorPoint(50, 50, true, true, MarkStyle::node).draw(canvas, bounds, bounds.center(), 0, 2);
    AnchorPoint(50, 50, true, true, MarkStyle::custom).draw(canvas, bounds, bounds.center(), 0, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "not implemented yet\nnot implemented yet\n");
    EXPECT_TRUE(canvas.calls.empty());

    // A missing colour never leaves a point without one.
    AnchorPoint noColour(0, 0, true, true, MarkStyle::circle, nullptr);
    noColour.setColor(nullptr);
    EXPECT_EQ(noColour.color(), Colors::Black());
    EXPECT_EQ(fromRaw<ShowAnchors>(3), std::nullopt);
    EXPECT_EQ(fromRaw<ShowAnchors>(4), ShowAnchors::selected);
}

TEST(AnchorPattern, PredefinedPatterns) {
    auto top = AnchorPattern::topInBottomOut();
    EXPECT_EQ(top->regIndex(), -5);
    EXPECT_EQ(describe(*top), "50 0 in 3 blue; 50 100 out 4 green; ");
    EXPECT_EQ(AnchorPattern::leftInRightOut()->regIndex(), -4);
    EXPECT_EQ(describe(*AnchorPattern::leftInRightOut()), "0 50 in 3 blue; 100 50 out 4 green; ");
    EXPECT_EQ(AnchorPattern::decision1In3Out()->regIndex(), -3);
    EXPECT_EQ(describe(*AnchorPattern::decision1In3Out()),
              "50 0 in 3 blue; 0 50 out 4 red; 50 100 out 4 green; 100 50 out 4 red; ");
    EXPECT_EQ(AnchorPattern::decision2In2Out()->regIndex(), -2);
    EXPECT_EQ(describe(*AnchorPattern::decision2In2Out()),
              "50 0 in 3 blue; 0 50 in 3 blue; 50 100 out 4 green; 100 50 out 4 red; ");

    // Every read builds a new pattern; only the first of a name is registered.
    auto again = AnchorPattern::topInBottomOut();
    EXPECT_EQ(again->patternId(), "");
    EXPECT_EQ(AnchorPattern::fromId("TopInBottomOut")->patternId(), "TopInBottomOut");
    EXPECT_NE(AnchorPattern::fromId("TopInBottomOut"), again);
}

TEST(AnchorPattern, RegistryKeepsTheFirstPatternOfAName) {
    auto first = AnchorPattern::create("registry-first");
    EXPECT_EQ(AnchorPattern::fromId("registry-first"), first);
    auto second = AnchorPattern::create({std::make_shared<AnchorPoint>(1, 2)}, "registry-first");
    EXPECT_EQ(second->patternId(), "");
    EXPECT_EQ(AnchorPattern::fromId("registry-first"), first);
    EXPECT_EQ(AnchorPattern::fromId("registry-nobody"), nullptr);

    // A pattern outside a shared pointer cannot be kept alive by the registry.
    AnchorPattern onStack;
    onStack.registerPattern("registry-stack");
    EXPECT_EQ(onStack.patternId(), "");
    EXPECT_EQ(AnchorPattern::fromId("registry-stack"), nullptr);
}

TEST(AnchorPattern, PredefinedNamesInAFreshProcess) {
    // A fresh copy of the test binary, where nothing is registered yet: predefined names resolve
    // without being read first, and a host pattern registered first keeps its predefined name.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto host =
                AnchorPattern::create({std::make_shared<AnchorPoint>(10, 10)}, "TopInBottomOut");
            auto decision = AnchorPattern::fromId("Decision2In2Out");
            std::exit(host->patternId() == "TopInBottomOut" &&
                              AnchorPattern::fromId("TopInBottomOut") == host && decision &&
                              decision->points().size() == 4 && decision->regIndex() == -2
                          ? 0
                          : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
