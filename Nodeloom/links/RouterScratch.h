#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/links/ObstacleIndex.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {

class DiagramLink;

// The links of a list, each once, by their places in the list.
using LinkPlaces = std::vector<const std::shared_ptr<DiagramLink>*>;

// The lists one routing pass works in. The router keeps them with their capacity between
// passes: made afresh, the large ones of a large set would come from the system page by page
// on every pass.
struct Router::Scratch {
    // A leg that the spreading may move.
    struct Leg {
        // The leg's first point, and the first point of its route, in `points`.
        std::size_t first, route;
        // The coordinate across the axis, and the extent along it.
        double across, from, to;
    };

    ObstacleIndex index;
    // The set being routed, and the table that finds the links listed twice.
    LinkPlaces set;
    std::vector<const DiagramLink*> seen;
    // The routes of the set one after another: route i is points[starts[i] .. starts[i + 1]).
    std::vector<Point> points;
    std::vector<std::size_t> starts;
    // The route being handed to its link.
    std::vector<Point> route;
    // The spreading's lists.
    std::vector<Leg> legs;
    std::vector<Leg> grouped;
    std::vector<int> line;
    std::vector<std::size_t> lineStart;
    std::vector<std::size_t> byStart;
    std::vector<int> clusterOf;
    std::vector<int> order;
    std::vector<std::vector<const Leg*>> clusters;
};

// The links of the list, each once, without null entries, in the list's order; `seen` is the
// table it uses. Takes no share of the links: the list holds them.
void distinctLinks(const std::vector<std::shared_ptr<DiagramLink>>& links, LinkPlaces& distinct,
                   std::vector<const DiagramLink*>& seen);

}  // namespace nodeloom
