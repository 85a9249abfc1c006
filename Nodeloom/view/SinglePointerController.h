#pragma once

#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

class AdjustmentHandle;
class Diagram;
class DiagramItem;
class DiagramItemState;

// The base of the one-finger controllers: it turns the touch calls into the steps of one drag
// (the second point is ignored) and keeps the drag's state, which the document's rules and the
// dragged items read while it goes on.
class SinglePointerController : public TouchInputController {
public:
    // The states of the items the drag may change, taken when it began.
    using StateMap =
        std::unordered_map<std::shared_ptr<DiagramItem>, std::shared_ptr<DiagramItemState>>;

    SinglePointerController(std::shared_ptr<Diagram> diagram,
                            std::shared_ptr<DiagramItem> modifiedItem,
                            std::shared_ptr<AdjustmentHandle> adjustmentHandle);
    ~SinglePointerController() override;

    SinglePointerController(const SinglePointerController&) = delete;
    SinglePointerController& operator=(const SinglePointerController&) = delete;

    void onTouchDown(Point point, Point positionB) override;
    void onTouchMove(Point point, Point positionB) override;
    void onTouchUp(Point point, Point positionB) override;

    virtual void startDrag(Point point);
    virtual void continueDrag(Point point);
    virtual void endDrag(Point point);

    const std::shared_ptr<Diagram>& diagram() const { return diagram_; }
    void setDiagram(std::shared_ptr<Diagram> diagram) { diagram_ = std::move(diagram); }
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
    std::shared_ptr<Diagram> diagram_;
    std::shared_ptr<DiagramItem> modifiedItem_;
    std::shared_ptr<AdjustmentHandle> adjustmentHandle_;
    std::optional<double> angleDelta_;
    StateMap originalStates_;
    Point startPoint_;
    Point currentPoint_;
};

}  // namespace nodeloom
