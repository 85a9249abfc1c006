#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Nodeloom/platform/Base64.h"

using nodeloom::platform::Base64;

namespace {
std::vector<std::uint8_t> bytesOf(const std::string& s) {
    return {s.begin(), s.end()};
}
}  // namespace

TEST(Base64, EncodesTheStandardVectorsOnOneLine) {
    EXPECT_EQ(Base64::encode(bytesOf("")), "");
    EXPECT_EQ(Base64::encode(bytesOf("f")), "Zg==");
    EXPECT_EQ(Base64::encode(bytesOf("fo")), "Zm8=");
    EXPECT_EQ(Base64::encode(bytesOf("foo")), "Zm9v");
    EXPECT_EQ(Base64::encode(bytesOf("foobar")), "Zm9vYmFy");
    const std::string long_(500, 'x');
    EXPECT_EQ(Base64::encode(bytesOf(long_)).find('\n'), std::string::npos);
}

TEST(Base64, DecodingInvertsEncodingForEveryByteValue) {
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<std::uint8_t>(i));
    for (std::size_t n = 0; n < 5; ++n) {
        std::vector<std::uint8_t> part(all.begin(), all.end() - static_cast<long>(n));
        auto back = Base64::decode(Base64::encode(part));
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(*back, part);
    }
}

TEST(Base64, RefusesAnythingButStrictBase64) {
    EXPECT_FALSE(Base64::decode("Zm9v\nYmFy").has_value());
    EXPECT_FALSE(Base64::decode("Zm9v YmFy").has_value());
    EXPECT_FALSE(Base64::decode("Zm9vYmF").has_value());
    EXPECT_FALSE(Base64::decode("Zm9-YmFy").has_value());
    EXPECT_FALSE(Base64::decode("Zg==Zg==").has_value());
    EXPECT_FALSE(Base64::decode("Z===").has_value());
    EXPECT_FALSE(Base64::decode("====").has_value());
    EXPECT_FALSE(Base64::decode(std::string("Zm9\0", 4)).has_value());
    ASSERT_TRUE(Base64::decode("").has_value());
    EXPECT_TRUE(Base64::decode("")->empty());
}
