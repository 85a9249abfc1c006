#pragma once

#include <optional>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// How a link lays out and draws its control points.
enum class LinkShape {
    bezier = 0,
    polyline = 1,
    cascading = 2,
    spline = 3,
};

template <>
inline std::optional<LinkShape> fromRaw<LinkShape>(int raw) {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<LinkShape>(raw);
}

}  // namespace nodeloom
