#include "Nodeloom/foundation/Convertor.h"

#include <cmath>

namespace nodeloom {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<std::int64_t> Convertor::fromHexToDec(std::string_view text) {
    // Summed in floating point as stored files were written by a reader that did so; zero digits
    // are skipped so that a long run of leading zeros cannot turn 0 x inf into NaN.
    const std::size_t count = text.size();
    // Up to 13 digits the floating-point sum is exact, so whole numbers give the same value.
    if (count <= 13) {
        std::int64_t value = 0;
        for (const char c : text) {
            const int digit = hexDigit(c);
            if (digit < 0) return std::nullopt;
            value = value * 16 + digit;
        }
        return value;
    }
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const int digit = hexDigit(text[i]);
        if (digit < 0) return std::nullopt;
        if (digit == 0) continue;
        sum += digit * std::pow(16.0, static_cast<double>(count - 1 - i));
    }
    // 2^63 and beyond (including an overflow to infinity) cannot be represented.
    if (!(sum < 9223372036854775808.0)) return std::nullopt;
    return static_cast<std::int64_t>(sum);
}

}  // namespace nodeloom
