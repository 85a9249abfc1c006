#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Nodeloom/platform/TextEngine.h"

using nodeloom::platform::TextEngine;

TEST(TextEngine, MeasuresByTheWrappedHeightRule) {
    auto& engine = TextEngine::shared();
    const std::string text = "several words that wrap";
    const auto whole = engine.measure(text, "Arial", 12, false, false, false, 30);
    ASSERT_GT(whole.width, 30);
    ASSERT_GT(whole.height, 0);

    // Wrapped: held to the width, five taller per line, scaled by how much it narrowed.
    const auto wrapped = engine.measure(text, "Arial", 12, false, false, true, 30);
    EXPECT_LE(wrapped.width, 30);
    EXPECT_GT(wrapped.height, whole.height + 5);
    // A line that fits is the whole line, five taller.
    const auto fits = engine.measure(text, "Arial", 12, false, false, true, 1000);
    EXPECT_DOUBLE_EQ(fits.width, whole.width);
    EXPECT_DOUBLE_EQ(fits.height, whole.height + 5);
    // A width the layout cannot hold leaves the lines whole.
    for (double bad : {0.0, -3.0, 1e300, std::nan("")}) {
        const auto kept = engine.measure(text, "Arial", 12, false, false, true, bad);
        EXPECT_DOUBLE_EQ(kept.width, whole.width) << bad;
    }
    // Blanks have no width to scale by and keep their unwrapped size.
    const auto blanks = engine.measure("  \t ", "Arial", 12, false, false, false, 1);
    const auto blanksWrapped = engine.measure("  \t ", "Arial", 12, false, false, true, 1);
    EXPECT_DOUBLE_EQ(blanksWrapped.width, blanks.width);
    EXPECT_DOUBLE_EQ(blanksWrapped.height, blanks.height);
    // Bold type is measured wider.
    EXPECT_GT(engine.measure(text, "Arial", 12, true, false, false, 0).width, whole.width);
}

// The fonts let go come back on the next measure, and a layout still held keeps them: nothing
// is pulled from under it (AddressSanitizer would report its use).
TEST(TextEngine, ReleasedFontsComeBackAndSpareTheirHolders) {
    const std::string text = "Order received";
    const auto before = TextEngine::shared().measure(text, "Arial", 12, false, true, true, 40);
    TextEngine::releaseFonts();
    const auto after = TextEngine::shared().measure(text, "Arial", 12, false, true, true, 40);
    EXPECT_DOUBLE_EQ(after.width, before.width);
    EXPECT_DOUBLE_EQ(after.height, before.height);

    PangoLayout* held = pango_layout_new(TextEngine::shared().context());
    pango_layout_set_text(held, text.c_str(), -1);
    PangoRectangle first{};
    pango_layout_get_extents(held, nullptr, &first);
    TextEngine::releaseFonts();
    pango_layout_set_text(held, "In stock?", -1);
    pango_layout_set_text(held, text.c_str(), -1);
    PangoRectangle again{};
    pango_layout_get_extents(held, nullptr, &again);
    EXPECT_EQ(again.width, first.width);
    g_object_unref(held);
    EXPECT_DOUBLE_EQ(TextEngine::shared().measure(text, "Arial", 12, false, true, true, 40).width,
                     before.width);
}
