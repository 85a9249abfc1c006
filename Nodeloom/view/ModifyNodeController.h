#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/NodeHandleType.h"
#include "Nodeloom/view/ModifyController.h"

namespace nodeloom {

class DiagramNode;

// Moves or resizes one node while a finger drags one of its handles. Each step recomputes the
// node's rectangle from where it was when the drag began, so rounding never accumulates. At the
// release the containers the node left or entered are updated, the links around it rerouted,
// and the host may still reject the change through nodeModifying: the node and everything that
// followed it are then put back, and the drag leaves nothing in the undo history.
class ModifyNodeController : public ModifyController {
public:
    ModifyNodeController(std::shared_ptr<Diagram> diagram, std::shared_ptr<DiagramNode> node,
                         std::shared_ptr<AdjustmentHandle> handle);
    ~ModifyNodeController() override;

    void startDrag(Point point) override;
    void continueDrag(Point point) override;
    void endDrag(Point point) override;
    void onCancel(Point point, Point positionB) override;

    const std::shared_ptr<DiagramNode>& node() const { return node_; }
    Point oldPos() const { return oldPos_; }
    Rect originalBounds() const { return originalBounds_; }
    // The node's rectangle after the last step.
    Rect oldBounds() const { return oldBounds_; }
    // The area swept so far by the node's links and attached items, whose link crossings are
    // dropped as the drag goes on.
    Rect invalidOldBounds() const { return invalidOldBounds_; }
    // While set, the drag changes nothing.
    bool canceled() const { return canceled_; }
    void setCanceled(bool canceled) { canceled_ = canceled; }

private:
    std::shared_ptr<DiagramNode> node_;
    Point oldPos_;
    Rect originalBounds_;
    Rect oldBounds_;
    Rect invalidOldBounds_;
    bool canceled_ = false;
};

// Drops the nodes into the interactive container under the point that is not one of them; the
// container's change is recorded in the open undo composite, and it grows to fit what it got.
// Nothing when no such container lies there.
void dropIntoContainer(Diagram& diagram, const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                       Point point);
// Tells each container that holds some of the nodes, once, which of its children were moved or
// resized, so that it lets go of those dragged out and grows around the rest.
void notifyParentContainers(const std::vector<std::shared_ptr<DiagramNode>>& nodes,
                            NodeHandleType handleType);

}  // namespace nodeloom
