#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/items/DragState.h"

namespace nodeloom {

class AdjustmentHandle;
class Diagram;
class DiagramItem;

// The base of the one-finger controllers: one drag on one document, whose state the document's
// rules and the dragged items read while it goes on. The touch plumbing joins with the
// interactive view.
class SinglePointerController : public DragState {
public:
    SinglePointerController(std::shared_ptr<Diagram> diagram,
                            std::shared_ptr<DiagramItem> modifiedItem,
                            std::shared_ptr<AdjustmentHandle> adjustmentHandle);
    ~SinglePointerController() override;

    virtual void startDrag(Point point);
    virtual void continueDrag(Point point);
    virtual void endDrag(Point point);

    const std::shared_ptr<Diagram>& diagram() const { return diagram_; }
    void setDiagram(std::shared_ptr<Diagram> diagram) { diagram_ = std::move(diagram); }

private:
    std::shared_ptr<Diagram> diagram_;
};

}  // namespace nodeloom
