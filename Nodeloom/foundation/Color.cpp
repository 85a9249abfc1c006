#include "Nodeloom/foundation/Color.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Convertor.h"
#include "Nodeloom/foundation/UnicodeSpace.h"

namespace nodeloom {

namespace {

// What the empty colour writes: -1 x 255 truncated, as 32-bit two's complement, four times.
// Reading it back as the empty colour lets an unset colour survive a save and load.
constexpr std::string_view kEmptyText = "#FFFFFF01FFFFFF01FFFFFF01FFFFFF01";

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (x != b[i]) return false;
    }
    return true;
}

// The component times 255, truncated toward zero, as the low 32 bits of a 64-bit integer (the
// form stored files have); beyond the 64-bit range and NaN, where no integer exists, it saturates
// or gives 0 instead of failing.
std::uint32_t printedByte(double component) {
    const double product = component * 255.0;
    std::int64_t value = 0;
    if (std::isnan(product)) {
        value = 0;
    } else if (product >= 9223372036854775807.0) {
        value = INT64_MAX;
    } else if (product <= -9223372036854775808.0) {
        value = INT64_MIN;
    } else {
        value = static_cast<std::int64_t>(product);
    }
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
}

}  // namespace

std::shared_ptr<Color> Color::fromBytes(std::uint8_t alpha, std::uint8_t red, std::uint8_t green,
                                        std::uint8_t blue) {
    return std::make_shared<Color>(alpha / 255.0, red / 255.0, green / 255.0, blue / 255.0);
}

std::shared_ptr<Color> Color::fromRGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return std::make_shared<Color>(red / 255.0, green / 255.0, blue / 255.0);
}

std::shared_ptr<Color> Color::fromString(std::string_view text) {
    const std::string_view trimmed = trimUnicodeSpace(text);
    if (equalsIgnoringCase(trimmed, kEmptyText))
        return std::make_shared<Color>(-1.0, -1.0, -1.0, -1.0);
    // Any other text that is not "#" and eight hexadecimal digits reads as black. Text with a
    // character outside ASCII is never nine bytes of hexadecimal digits, so counting bytes
    // rejects exactly what counting characters would.
    if (trimmed.size() != 9 || trimmed[0] != '#') return Colors::Black();
    double parts[4];
    for (int i = 0; i < 4; ++i) {
        const auto value = Convertor::fromHexToDec(trimmed.substr(1 + 2 * i, 2));
        if (!value) return Colors::Black();
        parts[i] = static_cast<double>(*value) / 255.0;
    }
    return std::make_shared<Color>(parts[0], parts[1], parts[2], parts[3]);
}

std::string Color::toString() const {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "#%.2X%.2X%.2X%.2X", printedByte(alpha_),
                  printedByte(red_), printedByte(green_), printedByte(blue_));
    return buffer;
}

void Color::hash(Hasher& hasher) const {
    hasher.combine(red_);
    hasher.combine(green_);
    hasher.combine(blue_);
    hasher.combine(alpha_);
}

std::size_t Color::hashValue() const {
    Hasher hasher;
    hash(hasher);
    return hasher.finalize();
}

}  // namespace nodeloom
