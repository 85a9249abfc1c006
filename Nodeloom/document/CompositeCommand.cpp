#include "Nodeloom/document/CompositeCommand.h"

#include "Nodeloom/document/ChangeItemCommand.h"

namespace nodeloom {

CompositeCommand::CompositeCommand(const std::shared_ptr<Diagram>& diagram) : Command(diagram) {
    setName("CompositeCommand");
}

// Each pass works on a copy, so that a command that edits the list cannot disturb the loop.
void CompositeCommand::execute() {
    const auto commands = commands_;
    for (const auto& command : commands) {
        if (command) command->execute();
    }
}

namespace {

// Every item state the commands (nested composites included) would take as they run, taken
// before any of them runs.
void takeCurrentStates(const std::vector<std::shared_ptr<Command>>& commands) {
    std::vector<const std::vector<std::shared_ptr<Command>>*> pending{&commands};
    while (!pending.empty()) {
        const auto* list = pending.back();
        pending.pop_back();
        for (const auto& command : *list) {
            if (auto* change = dynamic_cast<ChangeItemCommand*>(command.get()))
                change->takeCurrentState();
            else if (const auto* nested = dynamic_cast<const CompositeCommand*>(command.get()))
                pending.push_back(&nested->commands());
        }
    }
}

}  // namespace

void CompositeCommand::undo() {
    const auto commands = commands_;
    takeCurrentStates(commands);
    for (auto it = commands.rbegin(); it != commands.rend(); ++it) {
        if (*it) (*it)->undo();
    }
}

void CompositeCommand::redo() {
    const auto commands = commands_;
    takeCurrentStates(commands);
    for (const auto& command : commands) {
        if (command) command->redo();
    }
}

}  // namespace nodeloom
