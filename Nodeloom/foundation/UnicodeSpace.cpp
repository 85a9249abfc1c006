#include "Nodeloom/foundation/UnicodeSpace.h"

#include <cstddef>

namespace nodeloom {

namespace {

// Decodes the UTF-8 sequence at `pos` (which must start a sequence); an invalid or cut sequence
// reads as one non-space unit so that trimming stops there.
char32_t decodeAt(std::string_view text, std::size_t pos, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    std::size_t count = 1;
    char32_t value = lead;
    if (lead >= 0xF0) {
        count = 4;
        value = lead & 0x07;
    } else if (lead >= 0xE0) {
        count = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xC0) {
        count = 2;
        value = lead & 0x1F;
    }
    if (count == 1 || pos + count > text.size()) {
        length = 1;
        return lead < 0x80 ? lead : 0xFFFD;
    }
    for (std::size_t i = 1; i < count; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            length = 1;
            return 0xFFFD;
        }
        value = (value << 6) | (next & 0x3F);
    }
    // Overlong forms are not UTF-8; reading them as characters would let a disguised blank be
    // trimmed.
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < smallest[count] || value > 0x10FFFF) {
        length = 1;
        return 0xFFFD;
    }
    length = count;
    return value;
}

}  // namespace

bool isUnicodeSpace(char32_t c) {
    if (c >= 0x09 && c <= 0x0D) return true;
    switch (c) {
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

namespace {

// For the ASCII bytes, which make up nearly all the white space between tags: 1 for a blank,
// 0 for any other ASCII character, -1 for a byte that starts or continues a longer sequence.
inline int asciiSpace(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) return -1;
    return byte == 0x20 || (byte >= 0x09 && byte <= 0x0D) ? 1 : 0;
}

}  // namespace

std::string_view trimUnicodeSpace(std::string_view text) {
    std::size_t begin = 0;
    while (begin < text.size()) {
        const int ascii = asciiSpace(text[begin]);
        if (ascii == 0) break;
        if (ascii == 1) {
            ++begin;
            continue;
        }
        std::size_t length = 0;
        if (!isUnicodeSpace(decodeAt(text, begin, length))) break;
        begin += length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const int ascii = asciiSpace(text[end - 1]);
        if (ascii == 0) break;
        if (ascii == 1) {
            --end;
            continue;
        }
        std::size_t start = end - 1;
        // Steps back over continuation bytes to the start of the last sequence.
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80 &&
               end - start < 4) {
            --start;
        }
        std::size_t length = 0;
        const char32_t c = decodeAt(text, start, length);
        if (start + length != end || !isUnicodeSpace(c)) break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

}  // namespace nodeloom
