#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nodeloom::platform {

// Base64 with the standard alphabet and padding, on one line. Documents carry images in this
// form, so decoding is strict: anything but the alphabet and the final padding is refused.
class Base64 {
public:
    static std::string encode(const std::vector<std::uint8_t>& bytes);

    // The decoded bytes, or nothing when the text is not strict base64 (line breaks, blanks,
    // characters outside the alphabet, misplaced padding or a length that is not a multiple of 4).
    static std::optional<std::vector<std::uint8_t>> decode(std::string_view text);
};

}  // namespace nodeloom::platform
