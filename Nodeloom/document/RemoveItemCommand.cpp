#include "Nodeloom/document/RemoveItemCommand.h"

#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links

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
    // Adding a link spreads a polyline's inner points evenly; the link comes back as it was.
    const auto link = std::dynamic_pointer_cast<DiagramLink>(item_);
    const std::vector<Point> points = link ? link->controlPoints() : std::vector<Point>();
    diagram()->addItemInternal(item_);
    if (link) link->setControlPoints(points);
}

void RemoveItemCommand::redo() {
    if (!diagram() || !item_) return;
    removed_ = diagram()->contains(*item_);
    diagram()->removeItemInternal(item_);
}

}  // namespace nodeloom
