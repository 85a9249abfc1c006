#include <gtest/gtest.h>

#include <cairo.h>

#include <any>
#include <cstdlib>
#include <memory>
#include <string>

#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/AnchorPattern.h"
#include "Nodeloom/items/AnchorPoint.h"
#include "RecordingCanvas.h"

using namespace nodeloom;

namespace {

struct Expected {
    double x, y;
    bool in, out;
    MarkStyle style;
    std::shared_ptr<Color> color;
};

void expectPoints(const AnchorPattern& pattern, const std::vector<Expected>& expected) {
    ASSERT_EQ(pattern.points().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& p = *pattern.points()[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(p.x(), expected[i].x);
        EXPECT_EQ(p.y(), expected[i].y);
        EXPECT_EQ(p.allowIncoming(), expected[i].in);
        EXPECT_EQ(p.allowOutgoing(), expected[i].out);
        EXPECT_EQ(p.markStyle(), expected[i].style);
        EXPECT_EQ(p.color(), expected[i].color);
        EXPECT_EQ(p.col(), -1);
        EXPECT_FALSE(p.tag().has_value());
        EXPECT_EQ(p.xUnit(), UnitType::percentage);
    }
}

// Runs the body in a child process that starts the test binary afresh, so that process-wide
// registries are empty there; the body answers whether its expectations held.
#define EXPECT_IN_FRESH_PROCESS(body)                                             \
    do {                                                                          \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                           \
        EXPECT_EXIT(std::exit((body) ? 0 : 1), ::testing::ExitedWithCode(0), ""); \
    } while (false)

}  // namespace

TEST(AnchorPoint, InitialisersKeepTheDefaultsOfWhatTheyDoNotTake) {
    AnchorPoint plain(10, 20);
    EXPECT_TRUE(plain.allowIncoming());
    EXPECT_TRUE(plain.allowOutgoing());
    EXPECT_EQ(plain.markStyle(), MarkStyle::x);
    EXPECT_EQ(plain.color(), Colors::Black());
    EXPECT_EQ(plain.col(), -1);
    EXPECT_EQ(plain.yUnit(), UnitType::percentage);

    AnchorPoint withColumn(0, 0, false, true, Colors::Red(), 3, std::string("host"));
    EXPECT_EQ(withColumn.markStyle(), MarkStyle::x);
    EXPECT_EQ(withColumn.col(), 3);
    EXPECT_EQ(std::any_cast<std::string>(withColumn.tag()), "host");
    EXPECT_FALSE(withColumn.allowIncoming());

    // A missing colour never leaves the point without one.
    AnchorPoint noColour(0, 0, true, true, MarkStyle::circle, nullptr);
    EXPECT_EQ(noColour.color(), Colors::Black());
    noColour.setColor(nullptr);
    EXPECT_EQ(noColour.color(), Colors::Black());
}

TEST(AnchorPoint, EnumerationsFromRawValues) {
    EXPECT_EQ(fromRaw<ShowAnchors>(4), ShowAnchors::selected);
    EXPECT_EQ(fromRaw<ShowAnchors>(3), std::nullopt);
    EXPECT_EQ(fromRaw<ShowAnchors>(2), ShowAnchors::auto_);
    EXPECT_EQ(fromRaw<MarkStyle>(5), MarkStyle::custom);
    EXPECT_EQ(fromRaw<MarkStyle>(6), std::nullopt);
    EXPECT_EQ(fromRaw<MarkStyle>(-1), std::nullopt);
}

TEST(AnchorPoint, MarksSitAtTheirPlaceInTheNodeBox) {
    const Rect bounds(10, 20, 40, 30);
    RecordingCanvas canvas;

    AnchorPoint corner(100, 100, true, true, MarkStyle::circle, Colors::Blue());
    corner.draw(canvas, bounds, bounds.center(), 0, 2);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].what, "ellipse");
    EXPECT_DOUBLE_EQ(canvas.calls[0].a, 49);
    EXPECT_DOUBLE_EQ(canvas.calls[0].b, 49);
    EXPECT_EQ(canvas.calls[0].c, 2);
    EXPECT_EQ(canvas.stroke, *Colors::Blue());

    // Fixed units measure from the node's top-left corner.
    canvas.calls.clear();
    AnchorPoint fixed(5, 5, true, true, MarkStyle::cross);
    fixed.setXUnit(UnitType::fixed);
    fixed.setYUnit(UnitType::fixed);
    fixed.draw(canvas, bounds, bounds.center(), 0, 4);
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].what, "line");
    EXPECT_DOUBLE_EQ(canvas.calls[0].a, 13);
    EXPECT_DOUBLE_EQ(canvas.calls[0].b, 25);
    EXPECT_DOUBLE_EQ(canvas.calls[0].c, 17);
    EXPECT_DOUBLE_EQ(canvas.calls[1].b, 23);
    EXPECT_DOUBLE_EQ(canvas.calls[1].d, 27);
}

TEST(AnchorPoint, EveryMarkStyleDrawsItsOwnShape) {
    const Rect bounds(0, 0, 100, 100);
    RecordingCanvas canvas;

    AnchorPoint x(50, 50);
    x.draw(canvas, bounds, bounds.center(), 0, 2);
    ASSERT_EQ(canvas.calls.size(), 2u);
    EXPECT_EQ(canvas.calls[0].what, "line");
    EXPECT_EQ(canvas.calls[0].a, 49);
    EXPECT_EQ(canvas.calls[0].b, 49);
    EXPECT_EQ(canvas.calls[1].a, 51);
    EXPECT_EQ(canvas.calls[1].b, 49);
    // The mark's line is one device pixel, whatever the canvas unit.
    EXPECT_DOUBLE_EQ(cairo_get_line_width(canvas.context()),
                     MeasureUnit::Pixel()->convert(1.0, MeasureUnit::Millimeter(), &canvas));

    canvas.calls.clear();
    AnchorPoint square(50, 50, true, true, MarkStyle::rectangle, Colors::Green());
    square.draw(canvas, bounds, bounds.center(), 0, 2);
    ASSERT_EQ(canvas.calls.size(), 1u);
    EXPECT_EQ(canvas.calls[0].what, "rect");
    ASSERT_FALSE(canvas.brushes.empty());
    EXPECT_EQ(canvas.brushes.back()->toColor(), Colors::Transparent());

    // Unfinished styles draw nothing and say so.
    canvas.calls.clear();
    testing::internal::CaptureStdout();
    AnchorPoint(50, 50, true, true, MarkStyle::node).draw(canvas, bounds, bounds.center(), 0, 2);
    AnchorPoint(50, 50, true, true, MarkStyle::custom).draw(canvas, bounds, bounds.center(), 0, 2);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "not implemented yet\nnot implemented yet\n");
    EXPECT_TRUE(canvas.calls.empty());
}

TEST(AnchorPoint, RotationMovesTheMarkButNotItsShape) {
    const Rect bounds(0, 0, 100, 50);
    RecordingCanvas canvas;
    AnchorPoint right(100, 50, true, true, MarkStyle::rectangle);
    right.draw(canvas, bounds, bounds.center(), 90, 2);
    ASSERT_EQ(canvas.calls.size(), 1u);
    // The middle of the right side turns clockwise about the centre (50, 25) to below it.
    EXPECT_NEAR(canvas.calls[0].a, 49, 1e-9);
    EXPECT_NEAR(canvas.calls[0].b, 74, 1e-9);
    EXPECT_EQ(canvas.calls[0].c, 2);
    EXPECT_EQ(canvas.calls[0].d, 2);
}

TEST(AnchorPattern, PredefinedPatterns) {
    const auto blue = Colors::Blue(), green = Colors::Green(), red = Colors::Red();
    const auto c = MarkStyle::circle, r = MarkStyle::rectangle;

    auto top = AnchorPattern::topInBottomOut();
    EXPECT_EQ(top->regIndex(), -5);
    expectPoints(*top, {{50, 0, true, false, c, blue}, {50, 100, false, true, r, green}});
    auto left = AnchorPattern::leftInRightOut();
    EXPECT_EQ(left->regIndex(), -4);
    expectPoints(*left, {{0, 50, true, false, c, blue}, {100, 50, false, true, r, green}});
    auto d13 = AnchorPattern::decision1In3Out();
    EXPECT_EQ(d13->regIndex(), -3);
    expectPoints(*d13, {{50, 0, true, false, c, blue},
                        {0, 50, false, true, r, red},
                        {50, 100, false, true, r, green},
                        {100, 50, false, true, r, red}});
    auto d22 = AnchorPattern::decision2In2Out();
    EXPECT_EQ(d22->regIndex(), -2);
    expectPoints(*d22, {{50, 0, true, false, c, blue},
                        {0, 50, true, false, c, blue},
                        {50, 100, false, true, r, green},
                        {100, 50, false, true, r, red}});

    // Every read builds a new pattern; only the first of a name is registered.
    auto again = AnchorPattern::topInBottomOut();
    EXPECT_NE(again, AnchorPattern::fromId("TopInBottomOut"));
    EXPECT_EQ(again->patternId(), "");
    EXPECT_EQ(AnchorPattern::fromId("TopInBottomOut")->patternId(), "TopInBottomOut");
}

TEST(AnchorPattern, RegistryKeepsTheFirstPatternOfAName) {
    auto first = AnchorPattern::create("registry-first");
    EXPECT_EQ(first->patternId(), "registry-first");
    EXPECT_EQ(AnchorPattern::fromId("registry-first"), first);

    auto second = AnchorPattern::create({std::make_shared<AnchorPoint>(1, 2)}, "registry-first");
    EXPECT_EQ(second->patternId(), "");
    EXPECT_EQ(AnchorPattern::fromId("registry-first"), first);

    auto unnamed = std::make_shared<AnchorPattern>();
    unnamed->registerPattern("registry-later");
    EXPECT_EQ(unnamed->patternId(), "registry-later");
    EXPECT_EQ(AnchorPattern::fromId("registry-later"), unnamed);

    EXPECT_EQ(AnchorPattern::fromId("registry-nobody"), nullptr);

    // A pattern outside a shared pointer cannot be kept alive by the registry.
    AnchorPattern onStack;
    onStack.registerPattern("registry-stack");
    EXPECT_EQ(onStack.patternId(), "");
    EXPECT_EQ(AnchorPattern::fromId("registry-stack"), nullptr);
}

TEST(AnchorPattern, PredefinedNamesResolveInAFreshProcess) {
    EXPECT_IN_FRESH_PROCESS([] {
        auto pattern = AnchorPattern::fromId("Decision2In2Out");
        return pattern && pattern->points().size() == 4 && pattern->regIndex() == -2 &&
               pattern->patternId() == "Decision2In2Out";
    }());
}

TEST(AnchorPattern, AHostPatternRegisteredFirstKeepsAPredefinedName) {
    EXPECT_IN_FRESH_PROCESS([] {
        auto host =
            AnchorPattern::create({std::make_shared<AnchorPoint>(10, 10)}, "TopInBottomOut");
        return host->patternId() == "TopInBottomOut" &&
               AnchorPattern::fromId("TopInBottomOut") == host &&
               AnchorPattern::fromId("LeftInRightOut") != nullptr;
    }());
}
