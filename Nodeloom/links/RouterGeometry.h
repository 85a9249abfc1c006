#pragma once

#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class DiagramNode;

// The node's box turned by its rotation, with width and height not negative: the rectangle a
// link's end on the node is routed from, and what the node's obstacle rectangle grows.
Rect turnedBox(const DiagramNode& node);

// Whether a leg of the route runs through the inside of one of the rectangles, edges excluded.
bool passesThrough(const std::vector<Point>& route, const std::vector<Rect>& rects);

}  // namespace nodeloom
