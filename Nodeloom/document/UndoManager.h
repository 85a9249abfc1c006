#pragma once

#include <memory>
#include <vector>

namespace nodeloom {

class Command;
class CompositeCommand;
class Diagram;

// The linear undo history of one document. Commands that belong together are collected in one
// composite while a composite operation is open; operations nest by a counter, and the outermost
// commit records the composite as one step.
//
// Undo and redo record nothing in the history while they run. When undoing or redoing a step
// makes the document change more than the step itself (removing a node also removes links that
// were added without a record), those extra changes are kept with the step and reversed when the
// step is replayed the other way, so redo brings them back.
//
// The document owns the manager, and a host may keep the manager beyond the document, so the
// manager refers to its document weakly: once the document is gone, every operation does nothing
// (a command given then is neither executed nor recorded).
class UndoManager {
public:
    explicit UndoManager(const std::shared_ptr<Diagram>& diagram);
    virtual ~UndoManager();

    UndoManager(const UndoManager&) = delete;
    UndoManager& operator=(const UndoManager&) = delete;

    // Null once the document is gone.
    std::shared_ptr<Diagram> diagram() const { return diagram_.lock(); }
    const std::vector<std::shared_ptr<Command>>& undoHistory() const { return undoHistory_; }
    // The last command that is done; -1 when none is.
    int undoIndex() const { return undoIndex_; }
    const std::shared_ptr<CompositeCommand>& currentComposite() const { return currentComposite_; }
    int startCompositeCounter() const { return startCompositeCounter_; }

    // Executes the command, then files it in the open composite, or records it when none is
    // open; the document repaints once it is filed, so what repaint handlers change is filed
    // after it. A null command is ignored.
    virtual void executeCommand(const std::shared_ptr<Command>& command);
    // Records a command that is already done, dropping the redo tail.
    virtual void addCommand(const std::shared_ptr<Command>& command);
    // Files a command that is already done in the open composite, or records it when none is
    // open.
    virtual void recordCommand(const std::shared_ptr<Command>& command);
    virtual void undo();
    virtual void redo();

    // Opens a composite if none is open and counts one more nesting level; answers the open
    // composite (null once the document is gone).
    virtual std::shared_ptr<CompositeCommand> startComposite();
    // Close one nesting level; the outermost commit records the composite (even an empty one),
    // the outermost cancel drops it without undoing what its commands did. With no composite
    // operation open both are ignored, so that one unmatched call cannot stop all later
    // recording.
    virtual void commitComposite();
    virtual void cancelComposite();

    // True while an undo or redo runs.
    bool replaying() const { return replaying_; }

private:
    using CommandList = std::vector<std::shared_ptr<Command>>;

    // Runs one step's undo or redo, then reverses the extra changes its opposite run made.
    void replay(std::size_t index, bool undo);
    void refreshDocument();
    bool documentGone() const { return diagram_.expired(); }

    std::weak_ptr<Diagram> diagram_;
    CommandList undoHistory_;
    // Parallel to undoHistory_: the extra changes made by the last replay of each step.
    std::vector<CommandList> sideEffects_;
    int undoIndex_ = -1;
    std::shared_ptr<CompositeCommand> currentComposite_;
    int startCompositeCounter_ = 0;
    bool replaying_ = false;
    CommandList captured_;
};

}  // namespace nodeloom
