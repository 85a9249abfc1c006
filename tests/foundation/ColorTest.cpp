#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <unordered_set>

#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Convertor.h"

using namespace nodeloom;

namespace {

void expectComponents(const Color& c, double a, double r, double g, double b) {
    EXPECT_EQ(c.alpha(), a);
    EXPECT_EQ(c.red(), r);
    EXPECT_EQ(c.green(), g);
    EXPECT_EQ(c.blue(), b);
}

}  // namespace

TEST(Convertor, ReadsHexadecimalText) {
    EXPECT_EQ(Convertor::fromHexToDec("FF"), 255);
    EXPECT_EQ(Convertor::fromHexToDec("ff"), 255);
    EXPECT_EQ(Convertor::fromHexToDec(""), 0);
    EXPECT_EQ(Convertor::fromHexToDec("1a2B"), 0x1A2B);
    EXPECT_EQ(Convertor::fromHexToDec("7FFFFFFFFFFFFC00"), 0x7FFFFFFFFFFFFC00);
    // Long runs of leading zeros are harmless.
    EXPECT_EQ(Convertor::fromHexToDec(std::string(400, '0') + "10"), 16);
}

TEST(Convertor, ShortHexadecimalTextReadsAsTheFloatingPointSum) {
    std::mt19937 random(3);
    const char* digits = "0123456789abcdefABCDEF";
    for (int i = 0; i < 2000; ++i) {
        std::string text;
        const int length = 1 + static_cast<int>(random() % 16);
        for (int k = 0; k < length; ++k)
            text += digits[random() % 22];
        double sum = 0;
        for (std::size_t k = 0; k < text.size(); ++k) {
            const char c = text[k];
            const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
            sum += digit * std::pow(16.0, static_cast<double>(text.size() - 1 - k));
        }
        const auto value = Convertor::fromHexToDec(text);
        if (sum < 9223372036854775808.0) {
            ASSERT_TRUE(value) << text;
            EXPECT_EQ(*value, static_cast<std::int64_t>(sum)) << text;
        } else {
            EXPECT_FALSE(value) << text;
        }
    }
}

TEST(Convertor, RejectsWhatIsNotAHexadecimalNumber) {
    EXPECT_FALSE(Convertor::fromHexToDec("G1"));
    EXPECT_FALSE(Convertor::fromHexToDec("1 "));
    EXPECT_FALSE(Convertor::fromHexToDec("-1"));
    EXPECT_FALSE(Convertor::fromHexToDec("\xC3\xA9"));
    EXPECT_FALSE(Convertor::fromHexToDec("8000000000000000"));
    EXPECT_FALSE(Convertor::fromHexToDec(std::string(400, 'F')));
}

TEST(Color, Construction) {
    expectComponents(Color(), 1, 1, 1, 1);
    const Color red(1, 0, 0);
    expectComponents(red, 1, 1, 0, 0);
    EXPECT_EQ(red.toString(), "#FFFF0000");
    expectComponents(Color(0.25, 0.5, 0.75, 1), 0.25, 0.5, 0.75, 1);
    expectComponents(*Color::fromBytes(128, 255, 0, 51), 128 / 255.0, 1, 0, 0.2);
    expectComponents(*Color::fromRGB(0, 128, 255), 1, 0, 128 / 255.0, 1);
}

TEST(Color, ParsesTheTextForm) {
    const auto c = Color::fromString("#80FF0000");
    expectComponents(*c, 128 / 255.0, 1, 0, 0);
    EXPECT_EQ(*Color::fromString("  #80ff0000\n"), *c);
    EXPECT_EQ(*Color::fromString("\t\xC2\xA0#80fF0000\xE3\x80\x80\r\n"), *c);
    // A fresh object, not shared with anything else.
    EXPECT_NE(Color::fromString("#80FF0000"), c);
}

TEST(Color, UnreadableTextGivesBlack) {
    for (const char* text : {"#FF0000", "FF00000000", "", "   ", "#80FF00001", "x80FF0000",
                             "#80FF00G0", "#80FF00 0", "#-1FF0000", "#80FF00\xC3\xA9",
                             "#\xEF\xBC\x90\xEF\xBC\x90"
                             "FF0000",
                             "\xC0\xA0#80FF0000"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Color::fromString(text), Colors::Black());
    }
}

TEST(Color, PrintsAlphaFirstTruncatingEachComponent) {
    EXPECT_EQ(Colors::Gray()->toString(), "#FF7F7F7F");
    EXPECT_EQ(Color(0, 0.999, 0.5, 1.0 / 255).toString(), "#00FE7F01");
    EXPECT_EQ(Color(1, 0.5, 1.0 / 255, 1).toString(), "#FF7F01FF");
    // Out of range: not clamped, low 32 bits of the truncated product.
    EXPECT_EQ(Color(1, 2, 0, -1).toString(), "#FF1FE00FFFFFF01");
    // No integer exists for these; they still print.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Color(nan, inf, -inf, 1e300).toString().front(), '#');
}

TEST(Color, PrintThenParseGivesTheSameColour) {
    for (int k = 0; k < 256; ++k) {
        const auto c =
            Color::fromBytes(static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(255 - k),
                             static_cast<std::uint8_t>(k / 2), static_cast<std::uint8_t>(k));
        EXPECT_EQ(*Color::fromString(c->toString()), *c) << k;
    }
    for (const auto& named : {Colors::AliceBlue(), Colors::DarkSeaGreen(), Colors::Transparent(),
                              Colors::YellowGreen()})
        EXPECT_EQ(*Color::fromString(named->toString()), *named);
}

TEST(Color, EmptyColourSurvivesWritingAndReading) {
    const std::string text = Colors::Empty()->toString();
    EXPECT_EQ(text, "#FFFFFF01FFFFFF01FFFFFF01FFFFFF01");
    const auto back = Color::fromString(text);
    EXPECT_TRUE(back->isEmpty());
    EXPECT_NE(back, Colors::Empty());  // changing what was read leaves the shared one alone
    EXPECT_TRUE(Color::fromString(" #ffffff01FFFFFF01ffffff01FFFFFF01\n")->isEmpty());
    // Another out-of-range text stays unreadable.
    EXPECT_EQ(Color::fromString("#FFFFFF01FFFFFF01FFFFFF0100000000"), Colors::Black());
}

TEST(Color, EmptinessNeedsAllFourComponents) {
    EXPECT_TRUE(Colors::Empty()->isEmpty());
    EXPECT_TRUE(Color(-1, -1, -1, -1).isEmpty());
    EXPECT_FALSE(Color(0, -1, -1, -1).isEmpty());
    EXPECT_FALSE(Color(-1, -1, -1, 0).isEmpty());
    EXPECT_FALSE(Colors::Transparent()->isEmpty());
}

TEST(Color, EqualityAndHashAreByValue) {
    const Color a(0.5, 0.25, 0.125, 1);
    const Color b(0.5, 0.25, 0.125, 1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.hashValue(), b.hashValue());
    EXPECT_EQ(std::hash<Color>{}(a), std::hash<Color>{}(b));
    EXPECT_FALSE(a == Color(0.5, 0.25, 0.125, 0.9));
    EXPECT_NE(a.hashValue(), Color(0.5, 0.125, 0.25, 1).hashValue());
    // -0 equals 0 and hashes the same; NaN is equal to nothing, not even itself.
    const Color zero(0, 0, 0, 0);
    const Color negativeZero(-0.0, -0.0, -0.0, -0.0);
    EXPECT_EQ(zero, negativeZero);
    EXPECT_EQ(zero.hashValue(), negativeZero.hashValue());
    const Color nan(1, std::nan(""), 0, 0);
    EXPECT_FALSE(nan == nan);

    std::unordered_set<Color> set{*Colors::Red(), Color(1, 0, 0), *Colors::Blue()};
    EXPECT_EQ(set.size(), 2u);
}

TEST(Colors, NamedEntriesAreSharedAndExact) {
    EXPECT_EQ(Colors::Black(), Colors::Black());
    EXPECT_EQ(Colors::AliceBlue(), Colors::AliceBlue());
    expectComponents(*Colors::Black(), 1, 0, 0, 0);
    expectComponents(*Colors::White(), 1, 1, 1, 1);
    expectComponents(*Colors::Gray(), 1, 0.5, 0.5, 0.5);
    expectComponents(*Colors::Transparent(), 0, 0, 0, 0);
    expectComponents(*Colors::Empty(), -1, -1, -1, -1);

    EXPECT_EQ(*Colors::Green(), *Colors::Lime());
    EXPECT_NE(Colors::Green(), Colors::Lime());
    EXPECT_EQ(*Colors::Aqua(), *Colors::Cyan());
    EXPECT_EQ(*Colors::Fuchsia(), *Colors::Magenta());

    EXPECT_EQ(Colors::DarkSeaGreen()->toString(), "#FF8FBC8B");
    EXPECT_EQ(Colors::AliceBlue()->toString(), "#FFF0F8FF");
    EXPECT_EQ(Colors::LightGoldenrodYellow()->toString(), "#FFFAFAD2");
}
