#pragma once

#include <optional>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// How the document draws the places where two links cross: plainly, with a bridge on one of the
// two links, or with a gap cut into one of them.
enum class LinkCrossings {
    straight = 0,
    arc = 1,
    cut = 2,
};

template <>
inline std::optional<LinkCrossings> fromRaw<LinkCrossings>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<LinkCrossings>(raw);
}

}  // namespace nodeloom
