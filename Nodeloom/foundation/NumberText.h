#pragma once

#include <string>
#include <string_view>

namespace nodeloom {

// Lenient number reading shared by every reader of document text: leading white space is
// skipped, then the longest prefix that forms a number (optional sign, digits, optional fraction,
// optional exponent) is converted. Text without such a prefix reads as 0. A magnitude too large
// for a double reads as an infinity of its sign and one too small as 0; every reader that keeps
// the number refuses what is not finite.
double doubleValue(std::string_view text);
// An integer beyond the range of the result reads as 0.
long long integerValue(std::string_view text);

// The shortest decimal text that reads back to the same number. Magnitudes from 0.0001 up to
// 1e16 are written plainly with a digit after the point (1 is "1.0", 100000 is "100000.0"); smaller
// and larger ones with an exponent (0.00001 is "1e-05", 1e16 is "1e+16"). Infinities are "inf"
// and "-inf", not-a-number "nan".
std::string doubleText(double value);

}  // namespace nodeloom
