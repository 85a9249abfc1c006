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
