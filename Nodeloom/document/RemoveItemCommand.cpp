#include "Nodeloom/document/RemoveItemCommand.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom {

RemoveItemCommand::RemoveItemCommand(Diagram* diagram, std::shared_ptr<DiagramItem> item)
    : Command(diagram), item_(std::move(item)) {
    setName("RemoveItemCommand");
}

void RemoveItemCommand::execute() {
    redo();
}

void RemoveItemCommand::undo() {
    if (!removed_ || !diagram()) return;
    removed_ = false;
    reinsertItem(*diagram(), item_);
}

void RemoveItemCommand::redo() {
    if (!diagram() || !item_) return;
    removed_ = diagram()->contains(*item_);
    diagram()->removeItemInternal(item_);
}

}  // namespace nodeloom
