#pragma once

#include <optional>

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// Which handle of a node a drag holds: none, the move handle, the eight resize handles clockwise
// from the top-left corner, or the rotation handle.
enum class NodeHandleType {
    none = -1,
    move = 0,
    resizeTopLeft = 1,
    resizeTop = 2,
    resizeTopRight = 3,
    resizeRight = 4,
    resizeBottomRight = 5,
    resizeBottom = 6,
    resizeBottomLeft = 7,
    resizeLeft = 8,
    rotate = 9,
};

template <>
inline std::optional<NodeHandleType> fromRaw<NodeHandleType>(int raw) {
    if (raw < -1 || raw > 9) return std::nullopt;
    return static_cast<NodeHandleType>(raw);
}

}  // namespace nodeloom
