#pragma once

#include <memory>

#include "Nodeloom/document/Command.h"

namespace nodeloom {

class ContainerNode;

// The undoable tap on a container's fold button: it toggles the container, and undo and redo
// fold or unfold it again. It refers to the container without owning it; once the container is
// gone the command does nothing.
class FoldContainerCommand : public Command {
public:
    // folded is the container's state before the toggle.
    FoldContainerCommand(const std::shared_ptr<Diagram>& diagram, const std::shared_ptr<ContainerNode>& container,
                         bool folded);

    void execute() override;
    void undo() override;
    void redo() override;

    std::shared_ptr<ContainerNode> container() const { return container_.lock(); }
    bool folded() const { return folded_; }

private:
    // Folds when fold is set, else unfolds.
    void apply(bool fold);

    std::weak_ptr<ContainerNode> container_;
    bool folded_;
};

}  // namespace nodeloom
