#pragma once

#include <string>
#include <string_view>

namespace nodeloom {

// Lenient number reading shared by every reader of document text: leading white space is
// skipped, then the longest prefix that forms a number (optional sign, digits, optional fraction,
// optional exponent) is converted. Text without such a prefix reads as 0. A value beyond the
// range of the result type also reads as 0, so that no reader ever receives an infinity.
double doubleValue(std::string_view text);
long long integerValue(std::string_view text);

// The shortest decimal text that reads back to the same number, always with a digit after the
// point unless written with an exponent (1 is "1.0", -1 is "-1.0", 1e20 is "1e+20").
std::string doubleText(double value);

}  // namespace nodeloom
