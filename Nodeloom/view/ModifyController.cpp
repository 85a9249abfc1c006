#include "Nodeloom/view/ModifyController.h"

#include <utility>
#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/DiagramMediator.h"
#include "Nodeloom/document/UndoManager.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"

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
    closeComposite(true);
    if (mediator_ && mediator_->ist() == this) mediator_->setIst(nullptr);
}

void ModifyController::setMediator(std::shared_ptr<DiagramMediator> mediator) {
    mediator_ = std::move(mediator);
}

void ModifyController::startDrag(Point point) {
    setStartPoint(point);
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
    d->recordItemStates(items);
}

void ModifyController::endDrag(Point) {
    closeComposite(true);
}

void ModifyController::onCancel(Point, Point) {
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
