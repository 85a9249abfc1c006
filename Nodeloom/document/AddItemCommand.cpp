#include "Nodeloom/document/AddItemCommand.h"

#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links

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
    if (!diagram()) return;
    // Only the first addition lays out a polyline's inner points; a redo brings the link back as
    // the undo took it out.
    const auto link = std::dynamic_pointer_cast<DiagramLink>(item_);
    const std::vector<Point> points = link ? link->controlPoints() : std::vector<Point>();
    added_ = diagram()->addItemInternal(item_);
    if (added_ && link) link->setControlPoints(points);
}

}  // namespace nodeloom
