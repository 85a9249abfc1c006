#pragma once

#include <memory>

#include "Nodeloom/foundation/Metatype.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/view/SinglePointerController.h"

namespace nodeloom {

class DiagramItem;
class DiagramNode;

// Draws a new node as the rectangle spanned by the touch-down point and the finger, both snapped
// to the grid. The host sees the node through nodeCreating on every step, where cancelDrag()
// ends the drag at once, and once more at the release, where cancel keeps it out of the
// document. An accepted node is added (one undo step) and announced through nodeCreated.
class CreateNodeController : public SinglePointerController {
public:
    // The node is made at once from the class; a class that makes no node leaves the controller
    // without one, and the drag then does nothing.
    CreateNodeController(const std::shared_ptr<Diagram>& diagram,
                         const Metatype<DiagramItem>& nodeType);
    ~CreateNodeController() override;

    void startDrag(Point point) override;
    void continueDrag(Point point) override;
    void endDrag(Point point) override;
    void onCancel(Point point, Point positionB) override;
    // The node not yet added, as feedback.
    void draw(Canvas& canvas) override;

    // Null once the host stopped the drag or the node was dropped.
    const std::shared_ptr<DiagramNode>& node() const { return node_; }
    Rect originalBounds() const { return originalBounds_; }
    const Metatype<DiagramItem>& nodeType() const { return nodeType_; }

private:
    void dropNode();

    std::shared_ptr<DiagramNode> node_;
    Rect originalBounds_;
    Metatype<DiagramItem> nodeType_;
};

}  // namespace nodeloom
