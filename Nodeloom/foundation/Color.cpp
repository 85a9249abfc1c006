#include "Nodeloom/foundation/Color.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "Nodeloom/foundation/Colors.h"
#include "Nodeloom/foundation/Convertor.h"

namespace nodeloom {

namespace {

// What the empty colour writes: -1 x 255 truncated, as 32-bit two's complement, four times.
// Reading it back as the empty colour lets an unset colour survive a save and load.
constexpr std::string_view kEmptyText = "#FFFFFF01FFFFFF01FFFFFF01FFFFFF01";

// White space and line breaks: the Unicode separators (Zs, Zl, Zp), the ASCII controls
// U+0009..U+000D and U+0085.
bool isSpaceOrNewline(char32_t c) {
    switch (c) {
        case 0x09:
        case 0x0A:
        case 0x0B:
        case 0x0C:
        case 0x0D:
        case 0x20:
        case 0x85:
        case 0xA0:
        case 0x1680:
        case 0x2028:
        case 0x2029:
        case 0x202F:
        case 0x205F:
        case 0x3000:
            return true;
        default:
            return c >= 0x2000 && c <= 0x200A;
    }
}

// Decodes the well-formed UTF-8 sequence of `len` bytes at `p`, or gives nothing.
std::optional<char32_t> decode(const unsigned char* p, std::size_t len) {
    if (len == 1) return p[0] < 0x80 ? std::optional<char32_t>(p[0]) : std::nullopt;
    for (std::size_t i = 1; i < len; ++i)
        if ((p[i] & 0xC0) != 0x80) return std::nullopt;
    char32_t c = 0;
    if (len == 2 && (p[0] & 0xE0) == 0xC0) {
        c = ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
        if (c >= 0x80) return c;
    } else if (len == 3 && (p[0] & 0xF0) == 0xE0) {
        c = ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
        if (c >= 0x800) return c;
    }
    return std::nullopt;  // overlong, or longer than any white-space character
}

std::size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    return 0;
}

std::string_view trimSpacesAndNewlines(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end) {
        const std::size_t len = sequenceLength(bytes[begin]);
        if (len == 0 || begin + len > end) break;
        const auto c = decode(bytes + begin, len);
        if (!c || !isSpaceOrNewline(*c)) break;
        begin += len;
    }
    while (end > begin) {
        std::size_t start = end - 1;
        while (start > begin && end - start < 3 && (bytes[start] & 0xC0) == 0x80)
            --start;
        const auto c = decode(bytes + start, end - start);
        if (!c || !isSpaceOrNewline(*c)) break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

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
    const std::string_view trimmed = trimSpacesAndNewlines(text);
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
