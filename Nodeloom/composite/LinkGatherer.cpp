#include "Nodeloom/composite/LinkGatherer.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {

void LinkGatherer::replaceRowLink(const std::shared_ptr<DiagramLink>& link,
                                  const std::shared_ptr<Diagram>& diagram) {
    if (!link) return;
    link->updateEndsFromConnections();
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
