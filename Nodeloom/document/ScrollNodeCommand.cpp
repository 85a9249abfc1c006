#include "Nodeloom/document/ScrollNodeCommand.h"

#include "Nodeloom/items/Scrollable.h"

namespace nodeloom {

ScrollNodeCommand::ScrollNodeCommand(const std::shared_ptr<Diagram>& diagram,
                                     const std::shared_ptr<Scrollable>& node, double oldPos)
    : Command(diagram), node_(node), oldPos_(oldPos) {
    setName("ScrollNodeCommand");
}

void ScrollNodeCommand::execute() {
    if (const auto node = node_.lock()) newPos_ = node->getCurrentScrollPos();
}

void ScrollNodeCommand::undo() {
    if (const auto node = node_.lock()) node->setCurrentScrollPos(oldPos_);
}

void ScrollNodeCommand::redo() {
    if (const auto node = node_.lock()) node->setCurrentScrollPos(newPos_);
}

}  // namespace nodeloom
