#pragma once

#include <optional>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// The keys of an item's run-time data: caches and marks that live beside the item but are never
// saved.
enum class RuntimeDataKey {
    linkCrossings = 0,
    layoutData = 1,
    modifiedThroughGroup = 2,
};

template <>
inline std::optional<RuntimeDataKey> fromRaw<RuntimeDataKey>(int raw) {
    if (raw < 0 || raw > 2) return std::nullopt;
    return static_cast<RuntimeDataKey>(raw);
}

}  // namespace nodeloom
