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
    // Back in its old place among the nodes or links, so that the document reads as before; a
    // link whose end node has left the document since stays out, as it would dangle there.
    if (item_ && d->holdsEndsOf(*item_)) reinsertItem(*d, item_, position_);
}

void RemoveItemCommand::redo() {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d || !item_) return;
    removed_ = d->contains(*item_);
    position_ = removed_ ? d->listPosition(*item_) : std::nullopt;
    d->removeItemInternal(item_);
}

}  // namespace nodeloom
