#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Nodeloom/platform/Base64.h"

using nodeloom::platform::Base64;

TEST(Base64, EncodesOnOneLineAndDecodesBack) {
    const std::string foobar = "foobar";
    EXPECT_EQ(Base64::encode({foobar.begin(), foobar.begin() + 1}), "Zg==");
    EXPECT_EQ(Base64::encode({foobar.begin(), foobar.begin() + 2}), "Zm8=");
    EXPECT_EQ(Base64::encode({foobar.begin(), foobar.end()}), "Zm9vYmFy");
    std::vector<std::uint8_t> all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<std::uint8_t>(i));
    for (long n = 0; n < 3; ++n) {
        const std::vector<std::uint8_t> part(all.begin(), all.end() - n);
        const std::string text = Base64::encode(part);
        EXPECT_EQ(text.find('\n'), std::string::npos);
        EXPECT_EQ(Base64::decode(text), part);
    }
}

TEST(Base64, RefusesAnythingButStrictBase64) {
    for (const char* bad :
         {"Zm9v\nYmFy", "Zm9v YmFy", "Zm9vYmF", "Zm9-YmFy", "Zg==Zg==", "Z===", "===="}) {
        EXPECT_FALSE(Base64::decode(bad).has_value()) << bad;
    }
    EXPECT_FALSE(Base64::decode(std::string("Zm9\0", 4)).has_value());
    EXPECT_EQ(Base64::decode(""), std::vector<std::uint8_t>{});
}
