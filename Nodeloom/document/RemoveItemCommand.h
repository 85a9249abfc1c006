#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <utility>

#include "Nodeloom/document/Command.h"

namespace nodeloom {

class DiagramItem;

// Takes a node (with its links) or a link out of the document; undo puts it back.
class RemoveItemCommand : public Command {
public:
    RemoveItemCommand(const std::shared_ptr<Diagram>& diagram, std::shared_ptr<DiagramItem> item);

    void execute() override;
    // Puts back only an item that was in the document when it was removed, so that undoing the
    // removal of a foreign item never brings it into this document.
    void undo() override;
    void redo() override;

    const std::shared_ptr<DiagramItem>& item() const { return item_; }
    void setItem(std::shared_ptr<DiagramItem> item) { item_ = std::move(item); }

private:
    std::shared_ptr<DiagramItem> item_;
    bool removed_ = false;
    // The item's place among the document's nodes or links when it was removed.
    std::optional<std::size_t> position_;
};

}  // namespace nodeloom
