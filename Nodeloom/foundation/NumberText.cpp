#include "Nodeloom/foundation/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace nodeloom {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips leading white space and an optional sign; returns the position after them and whether
// the sign was a minus.
size_t skipBlanksAndSign(std::string_view text, bool& negative) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return i;
}

// Whether a number too far from 1 for a double lies beyond the largest one rather than below
// the smallest: whether the power of ten of its first nonzero digit, plus its written exponent,
// is positive. `number` holds digits, an optional fraction and an optional exponent.
bool beyondLargest(std::string_view number) {
    long long place = 0;
    bool found = false;
    std::size_t k = 0;
    long long integerDigits = 0;
    for (; k < number.size() && isDigit(number[k]); ++k) {
        if (!found && number[k] != '0') {
            found = true;
            place = -integerDigits;
        }
        ++integerDigits;
    }
    if (found) place += integerDigits - 1;
    if (k < number.size() && number[k] == '.') {
        long long fraction = 0;
        for (++k; k < number.size() && isDigit(number[k]); ++k) {
            ++fraction;
            if (!found && number[k] != '0') {
                found = true;
                place = -fraction;
            }
        }
    }
    long long exponent = 0;
    if (k < number.size() && (number[k] == 'e' || number[k] == 'E')) {
        ++k;
        const bool negative = k < number.size() && number[k] == '-';
        if (k < number.size() && (number[k] == '+' || number[k] == '-')) ++k;
        // Far beyond any double either way; capped so that the sum cannot overflow.
        constexpr long long cap = 1000000000;
        for (; k < number.size() && isDigit(number[k]); ++k)
            exponent = std::min(cap, exponent * 10 + (number[k] - '0'));
        if (negative) exponent = -exponent;
    }
    return found && place + exponent > 0;
}

}  // namespace

double doubleValue(std::string_view text) {
    bool negative = false;
    const size_t start = skipBlanksAndSign(text, negative);
    size_t i = start;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    bool anyDigit = i > start;
    if (i < text.size() && text[i] == '.') {
        size_t j = i + 1;
        while (j < text.size() && isDigit(text[j]))
            ++j;
        if (anyDigit || j > i + 1) {
            anyDigit = true;
            i = j;
        }
    }
    if (!anyDigit) return 0.0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && isDigit(text[j])) {
            while (j < text.size() && isDigit(text[j]))
                ++j;
            i = j;
        }
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        value = beyondLargest(text.substr(start, i - start)) ? HUGE_VAL : 0.0;
    } else if (error != std::errc() || end != text.data() + i || !std::isfinite(value)) {
        return 0.0;
    }
    return negative ? -value : value;
}

long long integerValue(std::string_view text) {
    bool negative = false;
    size_t i = skipBlanksAndSign(text, negative);
    // Accumulated as a negative number so that the most negative value is reachable.
    long long value = 0;
    constexpr long long lowest = std::numeric_limits<long long>::min();
    for (; i < text.size() && isDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (value < (lowest + digit) / 10) return 0;
        value = value * 10 - digit;
    }
    if (negative) return value;
    if (value == lowest) return 0;
    return -value;
}

std::string doubleText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    const double magnitude = std::fabs(value);
    const bool exponent = magnitude != 0.0 && (magnitude < 1e-4 || magnitude >= 1e16);
    char buffer[512];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value,
                      exponent ? std::chars_format::scientific : std::chars_format::fixed);
    if (error != std::errc()) return "0.0";
    std::string text(buffer, end);
    if (!exponent && text.find('.') == std::string::npos) text += ".0";
    return text;
}

}  // namespace nodeloom
