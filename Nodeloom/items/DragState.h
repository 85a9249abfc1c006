#pragma once

#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

class AdjustmentHandle;
class DiagramItem;
class DiagramItemState;

// The state of one drag as the document's rules and the dragged items read it while the drag
// goes on: what is dragged, by which handle, from where to where, and what the affected items
// were like when it began. The one-finger controllers of the view derive from it, so a rule or
// an item can follow a drag without knowing the view.
class DragState {
public:
    // The states of the items the drag may change, taken when it began.
    using StateMap =
        std::unordered_map<std::shared_ptr<DiagramItem>, std::shared_ptr<DiagramItemState>>;

    DragState(std::shared_ptr<DiagramItem> modifiedItem,
              std::shared_ptr<AdjustmentHandle> adjustmentHandle);
    virtual ~DragState();

    DragState(const DragState&) = delete;
    DragState& operator=(const DragState&) = delete;

    const std::shared_ptr<DiagramItem>& modifiedItem() const { return modifiedItem_; }
    void setModifiedItem(std::shared_ptr<DiagramItem> item) { modifiedItem_ = std::move(item); }
    const std::shared_ptr<AdjustmentHandle>& adjustmentHandle() const { return adjustmentHandle_; }
    void setAdjustmentHandle(std::shared_ptr<AdjustmentHandle> handle) {
        adjustmentHandle_ = std::move(handle);
    }
    // Degrees turned by a rotating drag; nothing otherwise.
    std::optional<double> angleDelta() const { return angleDelta_; }
    void setAngleDelta(std::optional<double> delta) { angleDelta_ = delta; }
    const StateMap& originalStates() const { return originalStates_; }
    StateMap& originalStates() { return originalStates_; }
    void setOriginalStates(StateMap states) { originalStates_ = std::move(states); }
    Point startPoint() const { return startPoint_; }
    void setStartPoint(Point point) { startPoint_ = point; }
    Point currentPoint() const { return currentPoint_; }
    void setCurrentPoint(Point point) { currentPoint_ = point; }

private:
    std::shared_ptr<DiagramItem> modifiedItem_;
    std::shared_ptr<AdjustmentHandle> adjustmentHandle_;
    std::optional<double> angleDelta_;
    StateMap originalStates_;
    Point startPoint_;
    Point currentPoint_;
};

}  // namespace nodeloom
