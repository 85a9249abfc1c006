#include "Nodeloom/view/ModifyLinkController.h"

#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/LinkEventArgs.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/ConnectionPoint.h"
#include "Nodeloom/links/DiagramLink.h"
#include "Nodeloom/links/DiagramLinkState.h"
#include "Nodeloom/links/LinkShapeImpl.h"
#include "Nodeloom/view/CreateLinkController.h"

namespace nodeloom {

namespace {

std::shared_ptr<DiagramNode> nodeOf(const std::shared_ptr<ConnectionPoint>& end) {
    return end ? end->node() : nullptr;
}

}  // namespace

ModifyLinkController::ModifyLinkController(std::shared_ptr<Diagram> diagram,
                                           std::shared_ptr<DiagramLink> link,
                                           std::shared_ptr<LinkAdjustmentHandle> handle)
    : ModifyController(std::move(diagram), link, handle),
      link_(std::move(link)),
      linkHandle_(std::move(handle)) {
    // Taken again when the drag starts; a release without a start still knows where the ends
    // were.
    if (link_) {
        startOrigin_ = link_->originConnection();
        startDestination_ = link_->destinationConnection();
    }
}

ModifyLinkController::~ModifyLinkController() = default;

std::optional<std::size_t> ModifyLinkController::draggedIndex() const {
    if (!link_ || !linkHandle_) return std::nullopt;
    const int i = linkHandle_->pointIndex();
    if (i < 0 || static_cast<std::size_t>(i) >= link_->controlPoints().size()) return std::nullopt;
    return static_cast<std::size_t>(i);
}

void ModifyLinkController::updateOldPos() {
    const Point a = link_->startPoint();
    const Point b = link_->endPoint();
    oldPos_ = Point((a.x + b.x) / 2, (a.y + b.y) / 2);
}

void ModifyLinkController::startDrag(Point point) {
    if (canceled_) return;
    ModifyController::startDrag(point);
    if (!link_) return;
    originalPoints_ = link_->controlPoints();
    oldBounds_ = link_->getBounds();
    updateOldPos();
    startOrigin_ = link_->originConnection();
    startDestination_ = link_->destinationConnection();
}

void ModifyLinkController::continueDrag(Point point) {
    if (canceled_) return;
    setCurrentPoint(point);
    if (!link_) return;
    const auto found = originalStates().find(link_);
    const auto* state = found != originalStates().end()
                            ? dynamic_cast<const DiagramLinkState*>(found->second.get())
                            : nullptr;
    const std::optional<std::size_t> index = draggedIndex();
    if (state == nullptr || !index) return;
    const std::size_t i = *index;
    const std::size_t last = link_->controlPoints().size() - 1;
    link_->setControlPoint(i, point);
    if (i == 0 || i == last) link_->connectEndAt(point, i > 0, false);
    LinkShapeImpl::forShape(link_->shape())
        ->onControlPointMoved(*link_, point, static_cast<int>(i), *state);
    mediator()->updateDependents();
    updateOldPos();
    link_->invalidateLinkCrossings(oldBounds_.union_(link_->getBounds()));
    oldBounds_ = link_->getBounds();
}

void ModifyLinkController::endDrag(Point point) {
    const std::shared_ptr<Diagram> d = diagram();
    const std::optional<std::size_t> index = draggedIndex();
    if (!d || !index) {
        // Nothing was changed, but a composite opened at the start must not stay open.
        ModifyController::endDrag(point);
        mediator()->setItems({});
        return;
    }
    const std::size_t i = *index;
    const std::size_t last = link_->controlPoints().size() - 1;
    const bool allowLoose = d->allowUnconnectedLinks();
    if ((!allowLoose && i == 0 && isLooseEnd(link_->originConnection())) ||
        (!allowLoose && i == last && isLooseEnd(link_->destinationConnection())) ||
        isForbiddenLoop(*d, *link_)) {
        reject();
        return;
    }
    if (i == 0 || i == last) {
        const bool incoming = i > 0;
        link_->connectEndAt(point, incoming, true);
        // During the drag the end passed other nodes and rows without relinking, so the final
        // relink knows only the last of them; the node, row or item the end started on lets go
        // here.
        const std::shared_ptr<ConnectionPoint>& started =
            incoming ? startDestination_ : startOrigin_;
        const std::shared_ptr<ConnectionPoint> now =
            incoming ? link_->destinationConnection() : link_->originConnection();
        if (started && now && !started->sharesListWith(*now)) started->removeLinkFromNode();
    }
    routeLinkIfAutoRouted(link_);

    LinkValidationEventArgs check(link_, Point(0, 0), -1);
    d->linkModifying().raise(*d, check);
    if (check.cancel()) {
        reject();
        return;
    }
    // Compared with the ends the drag began with: the moves already reconnected the dragged
    // end, so the nodes it has just before the release tell nothing.
    if (link_->origin() != nodeOf(startOrigin_) ||
        link_->destination() != nodeOf(startDestination_))
        makeLoopAtTop(link_);
    link_->invalidateLinkCrossings(oldBounds_.union_(link_->getBounds()));
    LinkEventArgs modified(link_, Point(0, 0), -1);
    d->linkModified().raise(*d, modified);
    ModifyController::endDrag(point);
    mediator()->setItems({});
}

void ModifyLinkController::reject() {
    rollBack();
    mediator()->setItems({});
}

}  // namespace nodeloom
