#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/platform/TextEngine.h"
#include "Pixels.h"

using namespace nodeloom;

// Text measured through a layout cache is drawn from the measured layout, pixel for pixel as the
// canvas draws it laid out for that one draw.
namespace {

struct Style {
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

constexpr int kSide = 160;

std::vector<std::uint32_t> pixelsOf(const Pixels& px) {
    std::vector<std::uint32_t> all;
    all.reserve(kSide * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) all.push_back(px.at(x, y));
    return all;
}

// The text drawn in the rectangle, through the cache when there is one, and how many layouts
// that took.
std::vector<std::uint32_t> draw(const std::string& text, const Rect& rect, int ha, int va,
                                Style style, TextLayoutCache* cache,
                                std::uint64_t* layouts = nullptr, double size = 9) {
    Pixels px(kSide, kSide);
    Canvas canvas(px.cr());
    canvas.setFont("ArialMT", size, MeasureUnit::Point());
    const std::uint64_t before = platform::TextEngine::shared().layoutCount();
    const auto h = static_cast<HorizontalAlignment>(ha);
    const auto v = static_cast<VerticalAlignment>(va);
    if (cache)
        canvas.drawCachedText(text, rect, h, v, style.bold, style.italic, style.underline, *cache);
    else
        canvas.drawText(text, rect, h, v, style.bold, style.italic, style.underline);
    if (layouts) *layouts = platform::TextEngine::shared().layoutCount() - before;
    return pixelsOf(px);
}

std::uint64_t layoutsOf(const std::function<void()>& work) {
    const std::uint64_t before = platform::TextEngine::shared().layoutCount();
    work();
    return platform::TextEngine::shared().layoutCount() - before;
}

}  // namespace

TEST(MeasuredTextLayout, DrawsAsLaidOutAfreshInAnyBoxAsWideAsTheText) {
    const std::vector<std::string> texts = {
        "label",
        "two lines,\nthe second one longer",
        "\xd7\xa9\xd7\x9c\xd7\x95\xd7\x9d world\nabc",  // a right-to-left line over a left one
        "a\n\nb",
        "tab\tstops",
    };
    const std::vector<Style> styles = {{}, {true, false, true}, {false, true, false}};
    for (const std::string& text : texts) {
        for (const Style& style : styles) {
            SCOPED_TRACE(text + (style.underline ? " underlined" : ""));
            TextLayoutCache cache;
            TextLayoutCache::Extent e;
            EXPECT_EQ(layoutsOf([&] {
                          e = cache.measure(text, "ArialMT", 9, style.bold, style.italic,
                                            style.underline, false, 0);
                      }),
                      1u);
            // The measure is the text engine's, styles and all.
            const auto engine = platform::TextEngine::shared().measure(
                text, "ArialMT", 9, style.bold, style.italic, false, 0);
            EXPECT_EQ(e.width, engine.width);
            EXPECT_EQ(e.height, engine.height);

            for (const double extra : {0.0, 0.37, 2.0, 41.5}) {
                // A box just as tall, and one cutting the last line off.
                for (const double h : {e.height + 2, e.height * 0.6}) {
                    for (int ha = 0; ha < 3; ++ha) {
                        for (int va = 0; va < 3; ++va) {
                            const Rect r(3.25, 7.5, e.width + extra, h);
                            std::uint64_t layouts = 0;
                            const auto cached = draw(text, r, ha, va, style, &cache, &layouts);
                            EXPECT_EQ(layouts, 0u) << extra << " " << ha;
                            EXPECT_TRUE(cached == draw(text, r, ha, va, style, nullptr))
                                << "width +" << extra << ", align " << ha << "/" << va;
                        }
                    }
                }
            }
        }
    }
}

TEST(MeasuredTextLayout, WrappedTextKeepsItsLinesOnlyForWidthsThatBreakItTheSame) {
    const std::string text = "The quick brown fox jumps over the lazy dog, supercalifragilistic";
    TextLayoutCache cache;
    const auto e = cache.measure(text, "ArialMT", 9, false, false, false, true, 70);
    const auto engine =
        platform::TextEngine::shared().measure(text, "ArialMT", 9, false, false, true, 70);
    EXPECT_EQ(e.width, engine.width);
    EXPECT_EQ(e.height, engine.height);
    ASSERT_LT(e.width, 70);

    const auto same = [&](double width, int ha, std::uint64_t expectedLayouts) {
        const Rect r(2, 2, width, 150);
        std::uint64_t layouts = 0;
        const auto cached = draw(text, r, ha, 0, {}, &cache, &layouts);
        EXPECT_EQ(layouts, expectedLayouts) << width;
        EXPECT_TRUE(cached == draw(text, r, ha, 0, {}, nullptr)) << width << " " << ha;
    };
    // Between the widest wrapped line and the wrapping width the lines stay.
    for (int ha = 0; ha < 3; ++ha) {
        same(e.width, ha, 0);
        same((e.width + 70) / 2, ha, 0);
        same(70, ha, 0);
    }
    // Wider, a word may move up a line: laid out again, once, and then kept at that width.
    same(150, 1, 1);
    same(150, 2, 0);
    // Narrower than a word, which overflows the box: kept at that width too.
    same(12, 1, 1);
    same(12, 2, 0);
    same(12, 0, 0);
}

TEST(MeasuredTextLayout, AnotherFontSizeOrStyleIsLaidOutAgain) {
    const std::string text = "label";
    TextLayoutCache cache;
    const auto e = cache.measure(text, "ArialMT", 9, false, false, false, false, 0);
    const Rect r(1, 1, e.width + 4, e.height + 4);
    std::uint64_t layouts = 0;
    (void)draw(text, r, 1, 1, {}, &cache, &layouts);
    EXPECT_EQ(layouts, 0u);

    const auto larger = draw(text, r, 1, 1, {}, &cache, &layouts, 11);
    EXPECT_EQ(layouts, 1u);
    EXPECT_TRUE(larger == draw(text, r, 1, 1, {}, nullptr, nullptr, 11));

    const Style underlined{false, false, true};
    const auto lined = draw(text, r, 1, 1, underlined, &cache, &layouts, 11);
    EXPECT_EQ(layouts, 1u);
    EXPECT_TRUE(lined == draw(text, r, 1, 1, underlined, nullptr, nullptr, 11));

    const auto other = draw("other", r, 1, 1, underlined, &cache, &layouts, 11);
    EXPECT_EQ(layouts, 1u);
    EXPECT_TRUE(other == draw("other", r, 1, 1, underlined, nullptr, nullptr, 11));

    // A measure at a size the canvas does not draw at keeps nothing the canvas can use.
    (void)cache.measure(text, "ArialMT", 9.5, false, false, false, false, 0);
    (void)draw(text, r, 1, 1, {}, &cache, &layouts);
    EXPECT_EQ(layouts, 1u);

    cache.clear();
    (void)draw(text, r, 1, 1, {}, &cache, &layouts);
    EXPECT_EQ(layouts, 1u);
    // A box of no area draws nothing and keeps what was laid out.
    (void)draw(text, Rect(1, 1, 0, 10), 1, 1, {}, &cache, &layouts);
    (void)draw(text, r, 1, 1, {}, &cache, &layouts);
    EXPECT_EQ(layouts, 0u);
}
