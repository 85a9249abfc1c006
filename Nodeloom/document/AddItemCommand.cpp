#include "Nodeloom/document/AddItemCommand.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom {

AddItemCommand::AddItemCommand(Diagram* diagram, std::shared_ptr<DiagramItem> item)
    : Command(diagram), item_(std::move(item)) {
    setName("AddItemCommand");
}

void AddItemCommand::execute() {
    if (!diagram()) return;
    added_ = diagram()->addItemInternal(item_);
}

void AddItemCommand::undo() {
    if (!added_ || !diagram()) return;
    added_ = false;
    diagram()->removeItemInternal(item_);
}

void AddItemCommand::redo() {
    // Only the first addition lays out a polyline's inner points; a redo brings the link back as
    // the undo took it out.
    if (diagram()) added_ = reinsertItem(*diagram(), item_);
}

}  // namespace nodeloom
