#include "Nodeloom/composite/LinkGatherer.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkShapeImpl.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {

void LinkGatherer::replaceRowLink(const std::shared_ptr<DiagramLink>& link,
                                  const std::shared_ptr<Diagram>& diagram) {
    if (!link) return;
    link->updateEndsFromConnections();
    if (link->autoRoute() && diagram) {
        if (const std::shared_ptr<Router>& router = diagram->linkRouter())
            link->applyPoints(router->routeLink(link), 0.0, 0.0, false, false);
    }
    link->shapeImpl()->onPointsApplied(*link);
    link->updateFromPoints();
}

}  // namespace nodeloom
