#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "Nodeloom/document/Command.h"

namespace nodeloom {

// Changes that are undone and redone as one step: undo runs the commands from last to first,
// execute and redo from first to last. Before undo or redo runs any command, every recorded
// item change takes the item's current state, so that the states kept for the way back are
// those of the whole step, not ones another command of the step already changed.
class CompositeCommand : public Command {
public:
    explicit CompositeCommand(const std::shared_ptr<Diagram>& diagram);

    void execute() override;
    void undo() override;
    void redo() override;

    const std::vector<std::shared_ptr<Command>>& commands() const { return commands_; }
    std::vector<std::shared_ptr<Command>>& commands() { return commands_; }
    void setCommands(std::vector<std::shared_ptr<Command>> commands) {
        commands_ = std::move(commands);
    }

private:
    std::vector<std::shared_ptr<Command>> commands_;
};

}  // namespace nodeloom
