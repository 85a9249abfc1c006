#include "Nodeloom/view/CreateLinkController.h"

#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/LinkShapeImpl.h"
#include "Nodeloom/links/Router.h"

namespace nodeloom {

namespace {

std::shared_ptr<DiagramLink> makeLink(const Metatype<DiagramItem>& type) {
    return std::dynamic_pointer_cast<DiagramLink>(type.getInstance());
}

}  // namespace

bool isLooseEnd(const std::shared_ptr<ConnectionPoint>& end) {
    return dynamic_cast<const VirtualConnectionPoint*>(end.get()) != nullptr;
}

void routeLinkIfAutoRouted(const std::shared_ptr<DiagramLink>& link) {
    if (!link || !link->autoRoute()) return;
    if (const std::shared_ptr<Diagram> d = link->diagram())
        link->applyPoints(d->linkRouter()->routeLink(link), 0, 0, false, false);
    link->onPointsApplied(true);
}

bool isForbiddenLoop(const Diagram& diagram, DiagramLink& link) {
    if (diagram.allowSelfLoops()) return false;
    const std::shared_ptr<DiagramNode> origin = link.origin();
    return origin && origin->isRealNode() && origin == link.destination();
}

void makeLoopAtTop(const std::shared_ptr<DiagramLink>& link) {
    if (!link) return;
    const std::shared_ptr<DiagramNode> origin = link->origin();
    if (!origin || !origin->isRealNode() || origin != link->destination()) return;
    origin->makeSelfLoop(link);
    for (const auto& end : {link->originConnection(), link->destinationConnection()}) {
        end->setAnchor(-1);
        // (50, 0) is the middle of the node's top side as a share of the node; an end on a row
        // counts its share on the row, where the same numbers would put it on the row's top
        // and away from the loop's points. It takes the share that gives the loop's point.
        if (end->sitsOnRow())
            end->saveRelativePosition();
        else
            end->setRelativePosition(Point(50, 0));
    }
}

CreateLinkController::CreateLinkController(const std::shared_ptr<Diagram>& diagram,
                                           std::shared_ptr<DiagramNode> origin,
                                           const Metatype<DiagramItem>& linkType)
    : SinglePointerController(diagram, makeLink(linkType), nullptr),
      origin_(std::move(origin)),
      linkType_(linkType) {
    link_ = std::dynamic_pointer_cast<DiagramLink>(modifiedItem());
}

CreateLinkController::~CreateLinkController() {
    if (pending_) dropLink();
}

void CreateLinkController::startDrag(Point point) {
    setStartPoint(point);
    const std::shared_ptr<Diagram>& d = diagram();
    if (!link_ || !d) return;
    link_->setDiagram(d);
    if (!origin_) origin_ = d->getNodeAt(point, true);
    if (!origin_ && !d->allowUnconnectedLinks()) {
        // Nothing to start from: the link is given up, so later steps and the release do
        // nothing.
        link_.reset();
        setModifiedItem(nullptr);
        return;
    }
    link_->originConnection()->removeLinkFromNode();
    const std::shared_ptr<DiagramNode> from =
        origin_ ? origin_ : std::static_pointer_cast<DiagramNode>(VirtualNode::instance());
    const std::shared_ptr<ConnectionPoint> end = from->createConnectionPoint(link_, point, false);
    if (!end) {
        dropLink();
        return;
    }
    end->addLinkToNode();
    pending_ = true;
    end->alignToNode(point);
    link_->setOriginConnection(end);
    link_->setSegmentCount(d->linkSegments());
    link_->setAutoRoute(d->routeLinks());
}

void CreateLinkController::continueDrag(Point point) {
    setCurrentPoint(point);
    const std::shared_ptr<Diagram>& d = diagram();
    if (!link_ || !d) return;
    link_->setEndPoint(point);
    link_->connectEndAt(point, true, false);
    link_->alignPoints();
    LinkShapeImpl::forShape(link_->shape())
        ->initPoints(*link_, link_->startPoint(), link_->endPoint());

    LinkValidationEventArgs args(link_, Point(0, 0), -1);
    d->linkCreating().raise(*d, args);
    if (args._cancelDrag()) dropLink();
}

void CreateLinkController::endDrag(Point point) {
    const std::shared_ptr<Diagram> d = diagram();
    if (!link_ || !d) return;
    // From here the link is either added or dropped.
    pending_ = false;
    const std::shared_ptr<DiagramLink> link = link_;
    if (!d->allowUnconnectedLinks() && isLooseEnd(link->destinationConnection())) {
        dropLink();
        return;
    }
    if (isForbiddenLoop(*d, *link)) {
        dropLink();
        return;
    }
    LinkValidationEventArgs check(link, Point(0, 0), -1);
    d->linkCreating().raise(*d, check);
    if (check.cancel()) {
        dropLink();
        return;
    }
    link->connectEndAt(point, true, true);
    d->addItem(link);
    // Refused when a handler took an end node out of the document, or the document was
    // reloaded meanwhile: nothing was created.
    if (!d->contains(*link)) {
        dropLink();
        return;
    }
    routeLinkIfAutoRouted(link);
    if (!isLooseEnd(link->originConnection())) makeLoopAtTop(link);
    LinkEventArgs created(link, Point(0, 0), -1);
    d->linkCreated().raise(*d, created);
    link->invalidateLinkCrossings(link->getBounds());
}

void CreateLinkController::onCancel(Point, Point) {
    dropLink();
}

void CreateLinkController::draw(Canvas& canvas) {
    const std::shared_ptr<Diagram>& d = diagram();
    if (!link_ || !d || !d->renderOptions()) return;
    link_->invalidateLinkCrossings(link_->getBounds());
    link_->draw(canvas, *d->renderOptions());
}

void CreateLinkController::dropLink() {
    pending_ = false;
    if (link_) link_->originConnection()->removeLinkFromNode();
    link_.reset();
    setModifiedItem(nullptr);
}

}  // namespace nodeloom
