#include "Nodeloom/document/Command.h"

#include <vector>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: document holds its links

namespace nodeloom {

Command::~Command() = default;

void Command::execute() {}
void Command::undo() {}
void Command::redo() {}

bool Command::reinsertItem(Diagram& diagram, const std::shared_ptr<DiagramItem>& item,
                           std::optional<std::size_t> position) {
    const auto link = std::dynamic_pointer_cast<DiagramLink>(item);
    const std::vector<Point> points = link ? link->controlPoints() : std::vector<Point>();
    if (!diagram.addItemInternal(item, position)) return false;
    if (link) link->setControlPoints(points);
    return true;
}

}  // namespace nodeloom
