#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/document/Command.h"

namespace nodeloom {

class DiagramItem;

// Adds a node or a link to the document; undo takes it out again, without events.
class AddItemCommand : public Command {
public:
    AddItemCommand(const std::shared_ptr<Diagram>& diagram, std::shared_ptr<DiagramItem> item);

    void execute() override;
    // Takes out only an item that this command put in: an item that was in the document already
    // stays where it was.
    void undo() override;
    void redo() override;

    const std::shared_ptr<DiagramItem>& item() const { return item_; }
    void setItem(std::shared_ptr<DiagramItem> item) { item_ = std::move(item); }

private:
    std::shared_ptr<DiagramItem> item_;
    bool added_ = false;
};

}  // namespace nodeloom
