#include "Nodeloom/document/ChangeItemCommand.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"

namespace nodeloom {

ChangeItemCommand::ChangeItemCommand(const std::shared_ptr<Diagram>& diagram,
                                     std::shared_ptr<DiagramItem> item,
                                     std::shared_ptr<DiagramItemState> state)
    : Command(diagram), item_(std::move(item)), state_(std::move(state)) {
    setName("ChangeItemCommand");
}

void ChangeItemCommand::execute() {}

void ChangeItemCommand::undo() {
    swap();
}

void ChangeItemCommand::redo() {
    swap();
}

void ChangeItemCommand::takeCurrentState() {
    if (!taken_ && item_ && state_ && diagram()) taken_ = item_->saveState();
}

void ChangeItemCommand::swap() {
    std::shared_ptr<DiagramItemState> taken = std::move(taken_);
    taken_.reset();
    // The item of a document that is gone is no longer anyone's to change.
    if (!item_ || !state_ || !diagram()) return;
    std::shared_ptr<DiagramItemState> current = taken ? std::move(taken) : item_->saveState();
    item_->restoreState(*state_);
    state_ = std::move(current);
}

}  // namespace nodeloom
