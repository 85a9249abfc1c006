#include "Nodeloom/composite/LinkGatherer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkShapeImpl.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {

namespace {

// Where an end goes from its connection, or where it is when that is the same place but for
// rounding. An end whose node did not move, recomputed from its share of the node, could move by
// the last digit; a document read back, whose shares come from the points of its file, would
// then write other numbers than the document that was saved, after the same scroll. Rounding is
// counted in last digits of the coordinates: a share of them would, far from the origin, take a
// move by whole rows for rounding and leave the end on another row.
Point followed(ConnectionPoint& end, Point now) {
    const Point to = end.positionFromNode();
    const double scale = std::max({1.0, std::fabs(now.x), std::fabs(now.y)});
    const double rounding = 16 * std::numeric_limits<double>::epsilon() * scale;
    if (std::fabs(to.x - now.x) <= rounding && std::fabs(to.y - now.y) <= rounding) return now;
    return to;
}

}  // namespace

double LinkGatherer::exactShare(double p, double origin, double extent, double guess) {
    if (extent == 0 || !std::isfinite(guess)) return guess;
    double share = guess;
    for (int step = 0; step < 8 && std::isfinite(share); ++step) {
        const double at = origin + extent * share / 100;
        if (at == p) return share;
        const bool up = (at < p) == (extent > 0);
        share = std::nextafter(share, up ? HUGE_VAL : -HUGE_VAL);
    }
    return guess;
}

void LinkGatherer::replaceRowLink(const std::shared_ptr<DiagramLink>& link,
                                  const std::shared_ptr<Diagram>& diagram) {
    if (!link) return;
    if (!link->controlPoints().empty()) {
        link->setStartPoint(followed(*link->originConnection(), link->startPoint()));
        link->setEndPoint(followed(*link->destinationConnection(), link->endPoint()));
        link->shapeImpl()->adjustAfterEndsMoved(*link);
    }
    if (link->autoRoute() && diagram) {
        // Applying the route lets the shape adjust it once. A second adjustment, or one on a
        // link that was not routed, would take a bezier link's tangents for further corners
        // and grow the link at every scroll.
        if (const std::shared_ptr<Router>& router = diagram->linkRouter())
            link->applyPoints(router->routeLink(link), 0.0, 0.0, false, false);
    }
    link->updateFromPoints();
}

}  // namespace nodeloom
