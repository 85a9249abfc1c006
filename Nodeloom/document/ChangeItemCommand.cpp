#include "Nodeloom/document/ChangeItemCommand.h"

#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"

namespace nodeloom {

ChangeItemCommand::ChangeItemCommand(Diagram* diagram, std::shared_ptr<DiagramItem> item,
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

void ChangeItemCommand::swap() {
    if (!item_ || !state_) return;
    std::shared_ptr<DiagramItemState> current = item_->saveState();
    item_->restoreState(*state_);
    state_ = std::move(current);
}

}  // namespace nodeloom
