#pragma once

#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

// The placements of an image in a target rectangle.
enum class ImageAlign {
    center = 0,
    fit = 1,
    stretch = 2,
    tile = 3,
    topLeft = 4,
    bottomLeft = 5,
    topRight = 6,
    bottomRight = 7,
    topCenter = 8,
    bottomCenter = 9,
    middleLeft = 10,
    middleRight = 11,
    fitLeft = 12,
    fitTop = 13,
    fitRight = 14,
    fitBottom = 15,
};

template <>
std::optional<ImageAlign> fromRaw<ImageAlign>(int raw);

}  // namespace nodeloom
