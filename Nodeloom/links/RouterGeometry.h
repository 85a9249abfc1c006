#pragma once

#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

// Whether a leg of the route runs through the inside of one of the rectangles, edges excluded.
bool passesThrough(const std::vector<Point>& route, const std::vector<Rect>& rects);

}  // namespace nodeloom
