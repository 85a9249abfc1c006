#pragma once

#include <string_view>

namespace nodeloom {

// White space and line breaks as Unicode counts them: the separators (Zs, Zl, Zp), the controls
// from tab to carriage return, and the next-line control.
bool isUnicodeSpace(char32_t c);

// The UTF-8 text without the Unicode white space at either end. An invalid or cut sequence
// counts as a non-space character, so trimming stops there and never splits a sequence.
std::string_view trimUnicodeSpace(std::string_view text);

}  // namespace nodeloom
