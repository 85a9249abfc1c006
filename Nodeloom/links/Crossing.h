#pragma once

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

// One entry of a segment's crossing list: an end of the segment (radius 0), or where a crossing
// starts or ends (radius = the crossing radius in force when the list was built).
struct Crossing {
    Point location;
    double radius = 0.0;

    friend bool operator==(const Crossing&, const Crossing&) = default;
};

}  // namespace nodeloom
