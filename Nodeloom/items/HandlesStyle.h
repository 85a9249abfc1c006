#pragma once

#include <optional>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// How a selected item shows its selection handles.
enum class HandlesStyle {
    invisible = 0,
    squareHandles = 1,
};

template <>
inline std::optional<HandlesStyle> fromRaw<HandlesStyle>(int raw) {
    if (raw < 0 || raw > 1) return std::nullopt;
    return static_cast<HandlesStyle>(raw);
}

}  // namespace nodeloom
