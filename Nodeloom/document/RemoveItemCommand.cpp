#include "Nodeloom/document/RemoveItemCommand.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom {

RemoveItemCommand::RemoveItemCommand(const std::shared_ptr<Diagram>& diagram,
                                     std::shared_ptr<DiagramItem> item)
    : Command(diagram), item_(std::move(item)) {
    setName("RemoveItemCommand");
}

void RemoveItemCommand::execute() {
    redo();
}

void RemoveItemCommand::undo() {
    const std::shared_ptr<Diagram> d = diagram();
    if (!removed_ || !d) return;
    removed_ = false;
    reinsertItem(*d, item_);
}

void RemoveItemCommand::redo() {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d || !item_) return;
    removed_ = d->contains(*item_);
    d->removeItemInternal(item_);
}

}  // namespace nodeloom
