#pragma once

#include <memory>

#include "Nodeloom/view/SinglePointerController.h"

namespace nodeloom {

class DiagramMediator;
class UndoManager;

// The base of the controllers that change items: a mediator carries each change of the
// modified item over to the items that depend on it, and the whole drag becomes one undo step.
//
// The drag's undo composite is this controller's own: endDrag closes it only when startDrag
// opened it, in the manager that is still the document's, so a drag never closes a composite
// that other code opened. A controller let go of in the middle of its drag ends it as a cancel
// does: its items go back and its composite is dropped, so that no half-done drag is recorded
// and later changes do not pile into a composite nobody closes.
class ModifyController : public SinglePointerController {
public:
    ModifyController(std::shared_ptr<Diagram> diagram, std::shared_ptr<DiagramItem> modifiedItem,
                     std::shared_ptr<AdjustmentHandle> adjustmentHandle);
    ~ModifyController() override;

    // Stores the start point and, when the drag can change items and undo is on, opens the
    // composite and records the items' states from before the drag.
    void startDrag(Point point) override;
    // Records the composite as one undo step (the outermost close records). Subclasses finish
    // their changes and raise their events first.
    void endDrag(Point point) override;
    // Puts every item the drag could change back where it was and drops the composite.
    void onCancel(Point point, Point positionB) override;

    const std::shared_ptr<DiagramMediator>& mediator() const { return mediator_; }
    void setMediator(std::shared_ptr<DiagramMediator> mediator);

protected:
    // Closes the composite this drag opened, if it is still open: recorded as one step, or
    // dropped for a change that was rejected and whose items the caller has restored.
    void closeComposite(bool record);
    bool compositeOpen() const;
    // Whether a drag started and has not yet ended, been rolled back or been cancelled.
    bool dragRunning() const { return running_; }
    // For destructors: rolls a running drag back as a cancel would. A handler that throws
    // (a repaint's) cannot escape a destructor; the drag is over all the same.
    void abandonDrag() noexcept;
    // abandonDrag for a drag of nodes, which also tells the container rules that it ended.
    void abandonNodeDrag() noexcept;
    // Puts every item the drag could change back as it was captured, drops the composite and
    // repaints: a change that was rejected or broken off leaves no trace.
    void rollBack();

private:
    std::shared_ptr<DiagramMediator> mediator_;
    // The manager in which startDrag opened the composite; empty when it opened none.
    std::weak_ptr<UndoManager> compositeOwner_;
    bool running_ = false;
};

}  // namespace nodeloom
