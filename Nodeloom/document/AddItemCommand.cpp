#include "Nodeloom/document/AddItemCommand.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom {

AddItemCommand::AddItemCommand(const std::shared_ptr<Diagram>& diagram,
                               std::shared_ptr<DiagramItem> item)
    : Command(diagram), item_(std::move(item)) {
    setName("AddItemCommand");
}

void AddItemCommand::execute() {
    if (const std::shared_ptr<Diagram> d = diagram()) added_ = d->addItemInternal(item_);
}

void AddItemCommand::undo() {
    const std::shared_ptr<Diagram> d = diagram();
    if (!added_ || !d) return;
    added_ = false;
    d->removeItemInternal(item_);
}

void AddItemCommand::redo() {
    // Only the first addition lays out a polyline's inner points; a redo brings the link back as
    // the undo took it out.
    // A link whose end node left the document since the undo would dangle there.
    const std::shared_ptr<Diagram> d = diagram();
    if (d && item_ && d->holdsEndsOf(*item_)) added_ = reinsertItem(*d, item_);
}

}  // namespace nodeloom
