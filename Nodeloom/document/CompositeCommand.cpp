#include "Nodeloom/document/CompositeCommand.h"

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

void CompositeCommand::undo() {
    const auto commands = commands_;
    for (auto it = commands.rbegin(); it != commands.rend(); ++it) {
        if (*it) (*it)->undo();
    }
}

void CompositeCommand::redo() {
    const auto commands = commands_;
    for (const auto& command : commands) {
        if (command) command->redo();
    }
}

}  // namespace nodeloom
