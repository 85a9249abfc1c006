#pragma once

#include <optional>
#include <string>

#include "Measure.h"

namespace layered_bench {

// The drawing in dot's "-Tjson" output of a graph whose nodes are named n0, n1, ...: boxes from
// the nodes' centres and sizes (inches), edges flattened from their B-spline control points with
// the arrowhead's tip appended. Nothing when the text is not such output.
std::optional<Drawing> readDotJson(const std::string& text, std::size_t nodeCount);

}  // namespace layered_bench
