// Edge points of the layered layout: long edges get their first origin back and the route
// through their virtual vertices.

#include <algorithm>

#include "Nodeloom/layout/LayeredLayout.h"

namespace nodeloom {

// One pass over the edges: restoring an edge moves it between outgoing lists only, and the walk
// up a chain reads the incoming lists of virtual vertices, so no restoration disturbs another.
void LayeredLayout::restoreLongEdges() {
    if (!graph_) return;
    for (const std::shared_ptr<Edge>& e : graph_->edges()) {
        const int level = linkData(*e).virtualLevel();
        if (level == 0) continue;
        std::shared_ptr<Vertex> current = e->origin();
        const std::shared_ptr<Vertex> destination = e->destination();
        if (!current || !destination) continue;
        // Built from the destination back, then turned round.
        std::vector<Point> points{Point(destination->x(), destination->y()),
                                  Point(current->x(), current->y())};
        points.reserve(static_cast<std::size_t>(level) + 2);
        for (int step = 0; step < level && !current->inEdges().empty(); ++step) {
            std::shared_ptr<Vertex> above = current->inEdges().front()->origin();
            if (!above) break;
            current = std::move(above);
            points.emplace_back(current->x(), current->y());
        }
        std::reverse(points.begin(), points.end());
        e->setOrigin(current);
        e->setData(std::make_shared<LinkData>());
        e->setPoints(std::move(points));
    }
}

}  // namespace nodeloom
