#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// One measuring code for both drawings of a graph (dot's and the layered layout's): plain boxes
// and polylines in points, nothing of the library, so that neither side is measured its own way.
namespace layered_bench {

struct Pt {
    double x = 0, y = 0;
};

struct Box {
    double x = 0, y = 0, width = 0, height = 0;  // top-left corner and size
};

struct Drawing {
    std::vector<Box> nodes;
    std::vector<std::vector<Pt>> edges;        // the drawn polyline of each edge
    std::vector<std::pair<int, int>> ends;     // each edge's two nodes
    bool vertical = true;                      // layers stacked along y (else along x)
};

struct Metrics {
    std::int64_t crossings = 0;   // points where polylines of two edges cross
    std::int64_t overlaps = 0;    // pairs of node boxes that share area
    double edgeLength = 0;        // total length of the polylines
    double width = 0, height = 0; // bounding box of nodes and polylines
    std::int64_t layerSpan = 0;   // sum over edges of the number of layers they cross into
    int layers = 0;               // most layers of a connected component
};

Metrics measure(const Drawing& drawing);

}  // namespace layered_bench
