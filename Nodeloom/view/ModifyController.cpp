#include "Nodeloom/view/ModifyController.h"

#include <unordered_set>
#include <utility>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/ContainerConstraints.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"
#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"

namespace nodeloom {

ModifyController::ModifyController(std::shared_ptr<Diagram> diagram,
                                   std::shared_ptr<DiagramItem> modifiedItem,
                                   std::shared_ptr<AdjustmentHandle> adjustmentHandle)
    : SinglePointerController(std::move(diagram), modifiedItem, std::move(adjustmentHandle)),
      mediator_(std::make_shared<DiagramMediator>(modifiedItem)) {
    setOriginalStates(mediator_->originalStates());
    mediator_->setIst(this);
}

ModifyController::~ModifyController() {
    abandonDrag();
    if (mediator_ && mediator_->ist() == this) mediator_->setIst(nullptr);
}

void ModifyController::abandonDrag() noexcept {
    if (!running_) return;
    try {
        rollBack();
    } catch (...) {
        // The composite is closed whatever a handler threw.
        closeComposite(false);
    }
}

void ModifyController::abandonNodeDrag() noexcept {
    if (!running_) return;
    abandonDrag();
    try {
        ContainerConstraints::dragEnded();
    } catch (...) {
    }
}

void ModifyController::setMediator(std::shared_ptr<DiagramMediator> mediator) {
    mediator_ = std::move(mediator);
}

void ModifyController::startDrag(Point point) {
    setStartPoint(point);
    running_ = true;
    // A second start without an end keeps the composite already open.
    if (originalStates().empty() || compositeOpen()) return;
    const std::shared_ptr<Diagram>& d = diagram();
    if (!d) return;
    const std::shared_ptr<UndoManager> manager = d->undoManager();
    if (!manager) return;
    manager->startComposite();
    compositeOwner_ = manager;
    std::vector<std::shared_ptr<DiagramItem>> items;
    items.reserve(originalStates().size());
    for (const auto& [item, state] : originalStates())
        items.push_back(item);
    // The containers of the moved nodes change too at the end of the drag (they grow, taking
    // their links along, or let a child go), and so do theirs in turn: their states belong to
    // the same step.
    std::unordered_set<const DiagramItem*> seen;
    for (const auto& [item, state] : originalStates())
        seen.insert(item.get());
    const std::size_t moved = items.size();
    for (std::size_t i = 0; i < moved; ++i) {
        const auto* node = dynamic_cast<const DiagramNode*>(items[i].get());
        if (node == nullptr) continue;
        for (auto c = node->container(); c && seen.insert(c.get()).second; c = c->container()) {
            items.push_back(c);
            for (const auto& link : c->getAllLinks())
                if (link && seen.insert(link.get()).second) items.push_back(link);
        }
    }
    d->recordItemStates(items);
}

void ModifyController::endDrag(Point) {
    closeComposite(true);
}

void ModifyController::onCancel(Point, Point) {
    rollBack();
}

void ModifyController::rollBack() {
    for (const auto& [item, state] : originalStates()) {
        if (item && state) item->restoreLocation(*state);
    }
    closeComposite(false);
    if (const std::shared_ptr<Diagram>& d = diagram()) d->invalidate();
}

bool ModifyController::compositeOpen() const {
    const std::shared_ptr<UndoManager> owner = compositeOwner_.lock();
    if (!owner) return false;
    // Undo turned off, or replaced by a fresh history, took the composite with it.
    const std::shared_ptr<Diagram>& d = diagram();
    return d && d->undoManager() == owner && owner->startCompositeCounter() > 0;
}

void ModifyController::closeComposite(bool record) {
    // Every end of a drag, a release, a rejection or a cancel, comes through here.
    running_ = false;
    const bool open = compositeOpen();
    const std::shared_ptr<UndoManager> owner = compositeOwner_.lock();
    compositeOwner_.reset();
    if (!open) return;
    if (record)
        owner->commitComposite();
    else
        owner->cancelComposite();
}

}  // namespace nodeloom
