#include "Nodeloom/document/UndoManager.h"

#include <optional>
#include <utility>

#include "Nodeloom/document/Command.h"
#include "Nodeloom/document/CompositeCommand.h"
#include "Nodeloom/document/Diagram.h"

namespace nodeloom {

UndoManager::UndoManager(const std::shared_ptr<Diagram>& diagram) : diagram_(diagram) {}

UndoManager::~UndoManager() = default;

void UndoManager::executeCommand(const std::shared_ptr<Command>& commandRef) {
    // The caller's reference may be a member that the command's handlers reset.
    const std::shared_ptr<Command> command = commandRef;
    const std::shared_ptr<Diagram> diagram = diagram_.lock();
    if (!command || !diagram) return;
    // A repaint handler's changes follow the command's own: they are filed after it, so that a
    // replay makes them in the order they were made and every item goes back to its own place.
    const Diagram::HeldRepaints held(*diagram);
    command->execute();
    recordCommand(command);
}

void UndoManager::recordCommand(const std::shared_ptr<Command>& command) {
    if (!command || documentGone()) return;
    if (replaying_) {
        captured_.push_back(command);
    } else if (currentComposite_) {
        currentComposite_->commands().push_back(command);
    } else {
        addCommand(command);
    }
}

void UndoManager::addCommand(const std::shared_ptr<Command>& command) {
    if (!command || documentGone()) return;
    if (replaying_) {
        captured_.push_back(command);
        return;
    }
    const std::size_t kept = static_cast<std::size_t>(undoIndex_ + 1);
    if (kept < undoHistory_.size()) {
        undoHistory_.resize(kept);
        sideEffects_.resize(kept);
    }
    undoHistory_.push_back(command);
    sideEffects_.emplace_back();
    ++undoIndex_;
    refreshDocument();
}

void UndoManager::undo() {
    if (replaying_ || undoIndex_ < 0 || documentGone()) return;
    const std::size_t index = static_cast<std::size_t>(undoIndex_);
    --undoIndex_;
    replay(index, true);
    refreshDocument();
}

void UndoManager::redo() {
    if (replaying_ || undoIndex_ + 1 >= static_cast<int>(undoHistory_.size()) || documentGone())
        return;
    ++undoIndex_;
    replay(static_cast<std::size_t>(undoIndex_), false);
    refreshDocument();
}

void UndoManager::replay(std::size_t index, bool undo) {
    // Held here, so that a step that drops the history cannot free what is still running.
    const std::shared_ptr<Command> command = undoHistory_[index];
    CommandList earlier = std::move(sideEffects_[index]);
    sideEffects_[index].clear();

    replaying_ = true;
    captured_.clear();
    {
        // A step puts items back one command at a time: a repaint handler must not meet a link
        // whose ends, or a container whose members, are still to come. Its own changes, made
        // once the hold ends, are still this replay's extra changes.
        const std::shared_ptr<Diagram> diagram = diagram_.lock();
        std::optional<Diagram::HeldRepaints> held;
        if (diagram) held.emplace(*diagram);
        if (command) {
            if (undo) {
                command->undo();
            } else {
                command->redo();
            }
        }
        for (auto it = earlier.rbegin(); it != earlier.rend(); ++it) {
            if (*it) (*it)->undo();
        }
    }
    replaying_ = false;

    CommandList made = std::move(captured_);
    captured_.clear();
    if (index < sideEffects_.size() && undoHistory_[index] == command) {
        sideEffects_[index] = std::move(made);
    }
}

std::shared_ptr<CompositeCommand> UndoManager::startComposite() {
    // A composite opened while a step replays would collect commands that belong to that step.
    if (replaying_) return currentComposite_;
    const std::shared_ptr<Diagram> diagram = diagram_.lock();
    if (!diagram) return nullptr;
    if (!currentComposite_) currentComposite_ = std::make_shared<CompositeCommand>(diagram);
    ++startCompositeCounter_;
    return currentComposite_;
}

void UndoManager::commitComposite() {
    if (replaying_ || startCompositeCounter_ <= 0 || documentGone()) return;
    if (--startCompositeCounter_ > 0) return;
    std::shared_ptr<CompositeCommand> composite = std::move(currentComposite_);
    currentComposite_.reset();
    addCommand(composite);
}

void UndoManager::cancelComposite() {
    if (replaying_ || startCompositeCounter_ <= 0 || documentGone()) return;
    if (--startCompositeCounter_ > 0) return;
    currentComposite_.reset();
}

void UndoManager::refreshDocument() {
    if (const std::shared_ptr<Diagram> diagram = diagram_.lock()) diagram->updateUndoState();
}

}  // namespace nodeloom
