#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/items/DragState.h"
#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

class AdjustmentHandle;
class Diagram;
class DiagramItem;

// The base of the one-finger controllers: one drag on one document. It turns the touch calls
// into the steps of the drag (the second point is ignored) and keeps the drag's state, which the
// document's rules and the dragged items read while it goes on.
class SinglePointerController : public DragState, public TouchInputController {
public:
    SinglePointerController(std::shared_ptr<Diagram> diagram,
                            std::shared_ptr<DiagramItem> modifiedItem,
                            std::shared_ptr<AdjustmentHandle> adjustmentHandle);
    ~SinglePointerController() override;

    void onTouchDown(Point point, Point positionB) override;
    void onTouchMove(Point point, Point positionB) override;
    void onTouchUp(Point point, Point positionB) override;

    virtual void startDrag(Point point);
    virtual void continueDrag(Point point);
    virtual void endDrag(Point point);

    const std::shared_ptr<Diagram>& diagram() const { return diagram_; }
    void setDiagram(std::shared_ptr<Diagram> diagram) { diagram_ = std::move(diagram); }

private:
    std::shared_ptr<Diagram> diagram_;
};

}  // namespace nodeloom
