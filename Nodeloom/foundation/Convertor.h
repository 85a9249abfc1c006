#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace nodeloom {

// Number conversions shared by the text readers of the library.
class Convertor {
public:
    Convertor() = delete;

    // Reads a hexadecimal number (digits 0-9 and A-F in either case); the empty text is 0.
    // Gives nothing for any other character, and for a value that does not fit a signed 64-bit
    // integer.
    static std::optional<std::int64_t> fromHexToDec(std::string_view text);
};

}  // namespace nodeloom
