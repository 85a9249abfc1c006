#include <gtest/gtest.h>

#include <memory>

#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Colors.h"

using namespace nodeloom;

TEST(Brush, PlainBrushIsBlackAndEqualToNothing) {
    const auto a = std::make_shared<Brush>();
    const auto b = std::make_shared<Brush>();
    EXPECT_EQ(a->toColor(), Colors::Black());
    EXPECT_FALSE(a->equalsTo(*b));
    EXPECT_FALSE(a->equalsTo(*a));
    EXPECT_TRUE(*a == *a);
    EXPECT_FALSE(*a == *b);
    EXPECT_EQ(a->hashValue(), b->hashValue());
}

TEST(SolidColorBrush, SharesItsColour) {
    const auto color = std::make_shared<Color>(1, 0, 0);
    const auto brush = std::make_shared<SolidColorBrush>(color);
    EXPECT_EQ(brush->color(), color);
    EXPECT_EQ(brush->toColor(), color);
    color->setGreen(1);
    EXPECT_EQ(brush->color()->green(), 1);

    const SolidColorBrush white;
    EXPECT_EQ(*white.color(), Color());
    EXPECT_NE(white.color(), Colors::White());
}

TEST(SolidColorBrush, NullColourNeverReplacesARealOne) {
    const SolidColorBrush made(nullptr);
    ASSERT_TRUE(made.color());
    EXPECT_EQ(*made.color(), Color());

    SolidColorBrush brush(Colors::Red());
    brush.setColor(nullptr);
    EXPECT_EQ(brush.color(), Colors::Red());
    brush.setColor(Colors::Blue());
    EXPECT_EQ(brush.color(), Colors::Blue());
}

TEST(SolidColorBrush, ComparesByContentWithEqualsToAndByIdentityWithEquals) {
    const SolidColorBrush a(std::make_shared<Color>(0.5, 0.25, 0.125, 1));
    const SolidColorBrush b(std::make_shared<Color>(0.5, 0.25, 0.125, 1));
    EXPECT_TRUE(a.equalsTo(b));
    EXPECT_TRUE(b.equalsTo(a));
    EXPECT_EQ(a.hashValue(), b.hashValue());
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a == a);
    EXPECT_FALSE(a.equalsTo(SolidColorBrush(std::make_shared<Color>(0.5, 0.25, 0.125, 0.5))));
    EXPECT_FALSE(a.equalsTo(Brush()));
}

TEST(LinearGradientBrush, Construction) {
    const LinearGradientBrush empty;
    EXPECT_TRUE(empty.positions().empty());
    EXPECT_TRUE(empty.colors().empty());
    EXPECT_EQ(empty.angle(), 0);
    EXPECT_EQ(empty.toColor(), Colors::Black());

    const LinearGradientBrush two(Colors::Red(), Colors::White(), 45);
    EXPECT_EQ(two.positions(), (std::vector<double>{0.0, 1.0}));
    ASSERT_EQ(two.colors().size(), 2u);
    EXPECT_EQ(two.colors()[0], Colors::Red());
    EXPECT_EQ(two.colors()[1], Colors::White());
    EXPECT_EQ(two.angle(), 45);
    EXPECT_EQ(two.toColor(), Colors::Red());

    const LinearGradientBrush nulls(nullptr, Colors::White(), 0);
    EXPECT_EQ(nulls.toColor(), Colors::Black());
}

TEST(LinearGradientBrush, ContentEqualityAndHash) {
    LinearGradientBrush a(std::make_shared<Color>(1, 0, 0), std::make_shared<Color>(1, 1, 1), 30);
    const LinearGradientBrush b(Colors::Red(), Colors::White(), 30);
    EXPECT_TRUE(a.equalsTo(b));
    EXPECT_EQ(a.hashValue(), b.hashValue());
    EXPECT_FALSE(a == b);

    const LinearGradientBrush turned(Colors::Red(), Colors::White(), 60);
    EXPECT_FALSE(a.equalsTo(turned));
    EXPECT_EQ(a.hashValue(), turned.hashValue());

    const LinearGradientBrush swapped(Colors::White(), Colors::Red(), 30);
    EXPECT_FALSE(a.equalsTo(swapped));
    EXPECT_NE(a.hashValue(), swapped.hashValue());

    a.positions()[1] = 0.5;
    EXPECT_FALSE(a.equalsTo(b));
    a.setPositions({0.0, 1.0, 1.0});
    EXPECT_FALSE(a.equalsTo(b));
    a.setPositions({0.0, 1.0});
    EXPECT_TRUE(a.equalsTo(b));
    a.colors().push_back(nullptr);
    EXPECT_FALSE(a.equalsTo(b));
    EXPECT_FALSE(b.equalsTo(a));
    EXPECT_NE(a.hashValue(), b.hashValue());
}

TEST(LinearGradientBrush, IsNeverEqualToASolidBrush) {
    const LinearGradientBrush gradient(Colors::Red(), Colors::Red(), 0);
    const SolidColorBrush solid(Colors::Red());
    EXPECT_FALSE(gradient.equalsTo(solid));
    EXPECT_FALSE(solid.equalsTo(gradient));
}
