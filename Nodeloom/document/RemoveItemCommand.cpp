#include "Nodeloom/document/RemoveItemCommand.h"

#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/links/DiagramLink.h"

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
    // Adding a link spreads a polyline's inner points evenly; the link comes back as it was.
    const auto link = std::dynamic_pointer_cast<DiagramLink>(item_);
    const std::vector<Point> points = link ? link->controlPoints() : std::vector<Point>();
    d->addItemInternal(item_);
    if (link) link->setControlPoints(points);
}

void RemoveItemCommand::redo() {
    const std::shared_ptr<Diagram> d = diagram();
    if (!d || !item_) return;
    removed_ = d->contains(*item_);
    d->removeItemInternal(item_);
}

}  // namespace nodeloom
