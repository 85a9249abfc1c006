#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Nodeloom/foundation/NumberText.h"

using nodeloom::doubleText;
using nodeloom::doubleValue;
using nodeloom::integerValue;

TEST(NumberText, DoubleTakesTheLongestNumericPrefix) {
    EXPECT_EQ(doubleValue("12.5"), 12.5);
    EXPECT_EQ(doubleValue("  \t\n-3.25e2xyz"), -325.0);
    EXPECT_EQ(doubleValue("+.5"), 0.5);
    EXPECT_EQ(doubleValue("7."), 7.0);
    EXPECT_EQ(doubleValue("1e"), 1.0);
    EXPECT_EQ(doubleValue("1e+"), 1.0);
    EXPECT_EQ(doubleValue("2E-1,"), 0.2);
    EXPECT_EQ(doubleValue("10.0, 20.0"), 10.0);
    EXPECT_EQ(doubleValue("3.5.6"), 3.5);
}

TEST(NumberText, DoubleWithoutANumberIsZero) {
    for (const char* text : {"", "   ", "abc", "-", "+", ".", "-.e5", "e5", "inf", "nan", "0x10"})
        EXPECT_EQ(doubleValue(text), 0.0) << text;
    // "0x10" reads its leading 0 only.
}

TEST(NumberText, DoubleBeyondTheRangeIsInfiniteAndBelowItZero) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(doubleValue("1e400"), inf);
    EXPECT_EQ(doubleValue(" -1e999 m"), -inf);
    EXPECT_EQ(doubleValue("0.001e312"), inf);
    EXPECT_EQ(doubleValue("123456789e301"), inf);
    EXPECT_EQ(doubleValue("1e99999999999999999999"), inf);
    EXPECT_EQ(doubleValue("1e-400"), 0.0);
    EXPECT_EQ(doubleValue("-0.0001e-330"), 0.0);
    EXPECT_EQ(doubleValue("100000e-330"), 0.0);
    EXPECT_EQ(doubleValue("1e-99999999999999999999"), 0.0);
    EXPECT_EQ(doubleValue("1.7976931348623157e308"), std::numeric_limits<double>::max());
    EXPECT_EQ(doubleValue("4e-320"), 4e-320);
}

TEST(NumberText, IntegerReadsSignAndDigitsOnly) {
    EXPECT_EQ(integerValue("42"), 42);
    EXPECT_EQ(integerValue("  -17abc"), -17);
    EXPECT_EQ(integerValue("+8"), 8);
    EXPECT_EQ(integerValue("12.9"), 12);
    EXPECT_EQ(integerValue("1e3"), 1);
    EXPECT_EQ(integerValue(""), 0);
    EXPECT_EQ(integerValue("x1"), 0);
    EXPECT_EQ(integerValue("- 1"), 0);
}

TEST(NumberText, IntegerKeepsTheFullRangeAndRejectsOverflow) {
    EXPECT_EQ(integerValue("9223372036854775807"), std::numeric_limits<long long>::max());
    EXPECT_EQ(integerValue("-9223372036854775808"), std::numeric_limits<long long>::min());
    EXPECT_EQ(integerValue("9223372036854775808"), 0);
    EXPECT_EQ(integerValue("-9223372036854775809"), 0);
    EXPECT_EQ(integerValue("99999999999999999999999"), 0);
}

TEST(NumberText, DoubleTextIsShortestWithAFraction) {
    EXPECT_EQ(doubleText(1.0), "1.0");
    EXPECT_EQ(doubleText(-1.0), "-1.0");
    EXPECT_EQ(doubleText(0.0), "0.0");
    EXPECT_EQ(doubleText(12.5), "12.5");
    EXPECT_EQ(doubleText(0.1), "0.1");
    EXPECT_EQ(doubleText(1e20), "1e+20");
    // Plain digits from 0.0001 up to 1e16, an exponent outside that range.
    EXPECT_EQ(doubleText(100000.0), "100000.0");
    EXPECT_EQ(doubleText(1e15), "1000000000000000.0");
    EXPECT_EQ(doubleText(1e16), "1e+16");
    EXPECT_EQ(doubleText(0.0001), "0.0001");
    EXPECT_EQ(doubleText(0.00001), "1e-05");
    EXPECT_EQ(doubleText(-2.5e-7), "-2.5e-07");
    EXPECT_EQ(doubleText(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(doubleText(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(doubleText(std::numeric_limits<double>::quiet_NaN()), "nan");
    for (double v : {0.1 + 0.2, 1.0 / 3.0, 123456789.125, -4.9e-300, 1e21, 5e-324})
        EXPECT_EQ(doubleValue(doubleText(v)), v) << doubleText(v);
}
