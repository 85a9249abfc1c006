#pragma once

#include <optional>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// The side of its centre on which the radial menu lays out its buttons.
enum class VisualizationPosition {
    left = 0,
    right = 1,
    top = 2,
    bottom = 3,
};

template <>
inline std::optional<VisualizationPosition> fromRaw<VisualizationPosition>(int raw) {
    return raw >= 0 && raw <= 3
               ? std::optional<VisualizationPosition>(static_cast<VisualizationPosition>(raw))
               : std::nullopt;
}

}  // namespace nodeloom
