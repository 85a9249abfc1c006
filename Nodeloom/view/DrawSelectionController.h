#pragma once

#include <memory>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/view/SinglePointerController.h"

namespace nodeloom {

class Selection;

// The rubber band: the finger spans a rectangle and, at the release, every top-level
// interactive item it touches becomes the selection, together with the children that touched
// containers report inside it. The band is an item of the controller's own, never added to the
// document, whose selection changes only at the release.
class DrawSelectionController : public SinglePointerController {
public:
    explicit DrawSelectionController(const std::shared_ptr<Diagram>& diagram);
    ~DrawSelectionController() override;

    void startDrag(Point point) override;
    void continueDrag(Point point) override;
    void endDrag(Point point) override;
    void onCancel(Point point, Point positionB) override;
    // The band as a dashed frame.
    void draw(Canvas& canvas) override;

    // The band; null until the drag starts.
    const std::shared_ptr<Selection>& selection() const { return selection_; }

private:
    std::shared_ptr<Selection> selection_;
};

}  // namespace nodeloom
