#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/view/ModifyController.h"

namespace nodeloom {

// Moves, resizes or rotates every selected node together, as the grabbed node handle dictates.
// Its modified item is the document's selection object, so the document's rules carry the
// selected nodes, their children, attached nodes and links along. The drag is one undo step and
// cannot be vetoed: at the release every item that was selected when it began raises its
// modified event.
class ModifySelectionController : public ModifyController {
public:
    // The handle serves only when it is a node handle; a drag with any other changes nothing.
    ModifySelectionController(const std::shared_ptr<Diagram>& diagram,
                              std::shared_ptr<AdjustmentHandle> handle);
    ~ModifySelectionController() override;

    void startDrag(Point point) override;
    void continueDrag(Point point) override;
    void endDrag(Point point) override;
    void onCancel(Point point, Point positionB) override;

    // The area the selected obstacle nodes cover, handles and strokes included; the zero
    // rectangle when none is an obstacle.
    virtual Rect getSelectedObstaclesRect() const;

    // The items selected when the drag was made.
    const std::vector<std::shared_ptr<DiagramItem>>& selection() const { return selection_; }
    // Always empty: the selection's items reach the drag through the document's rules.
    const std::vector<std::shared_ptr<DiagramItem>>& items() const { return items_; }
    Point oldPoint() const { return oldPoint_; }
    const std::optional<Rect>& oldBounds() const { return oldBounds_; }

private:
    std::vector<std::shared_ptr<DiagramItem>> selection_;
    const std::vector<std::shared_ptr<DiagramItem>> items_;
    Point oldPoint_;
    std::optional<Rect> oldBounds_;
};

}  // namespace nodeloom
