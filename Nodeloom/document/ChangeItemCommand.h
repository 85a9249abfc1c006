#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/document/Command.h"

namespace nodeloom {

class DiagramItem;
class DiagramItemState;

// Records a change of an item that has already happened, by the item's state from before it.
// Undo and redo each swap the item's current state with the kept one, so any number of steps
// stays consistent.
class ChangeItemCommand : public Command {
public:
    ChangeItemCommand(const std::shared_ptr<Diagram>& diagram, std::shared_ptr<DiagramItem> item,
                      std::shared_ptr<DiagramItemState> state);

    // The change it records is already done.
    void execute() override;
    void undo() override;
    void redo() override;

    const std::shared_ptr<DiagramItem>& item() const { return item_; }
    void setItem(std::shared_ptr<DiagramItem> item) { item_ = std::move(item); }
    const std::shared_ptr<DiagramItemState>& state() const { return state_; }
    void setState(std::shared_ptr<DiagramItemState> state) { state_ = std::move(state); }

    // Takes the item's current state now, for the next undo or redo to keep in place of the
    // state it puts back. A step whose items' states depend on each other (a container and its
    // children) takes them all before it puts any back: restoring one could change another
    // before its own state was taken. Nothing when a state is taken already.
    void takeCurrentState();

private:
    void swap();

    std::shared_ptr<DiagramItem> item_;
    std::shared_ptr<DiagramItemState> state_;
    std::shared_ptr<DiagramItemState> taken_;
};

}  // namespace nodeloom
