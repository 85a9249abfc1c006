#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/view/ModifyController.h"

namespace nodeloom {

class ConnectionPoint;
class DiagramLink;
class LinkAdjustmentHandle;

// Drags one point of a link: an inner point reshapes it, the first or the last reconnects that
// end to the node under the finger. The drag is one undo step. At the release a loose end where
// loose ends are not allowed, or a loop where loops are not, puts everything back silently; so
// does a linkModifying handler that cancels.
class ModifyLinkController : public ModifyController {
public:
    ModifyLinkController(std::shared_ptr<Diagram> diagram, std::shared_ptr<DiagramLink> link,
                         std::shared_ptr<LinkAdjustmentHandle> handle);
    ~ModifyLinkController() override;

    void startDrag(Point point) override;
    void continueDrag(Point point) override;
    void endDrag(Point point) override;

    const std::shared_ptr<DiagramLink>& link() const { return link_; }
    const std::shared_ptr<LinkAdjustmentHandle>& linkHandle() const { return linkHandle_; }
    const std::vector<Point>& originalPoints() const { return originalPoints_; }
    // The middle of the link's two ends, kept up to date during the drag.
    Point oldPos() const { return oldPos_; }
    Rect oldBounds() const { return oldBounds_; }
    // While set, starting and moving the drag change nothing; the release still runs.
    bool canceled() const { return canceled_; }
    void setCanceled(bool canceled) { canceled_ = canceled; }

private:
    // Index of the dragged point, or nothing when it is not one of the link's points.
    std::optional<std::size_t> draggedIndex() const;
    // Puts back every item the drag could change and drops the composite.
    void reject();
    void updateOldPos();

    std::shared_ptr<DiagramLink> link_;
    std::shared_ptr<LinkAdjustmentHandle> linkHandle_;
    std::vector<Point> originalPoints_;
    Point oldPos_;
    Rect oldBounds_;
    bool canceled_ = false;
    // The link's ends when the drag began: an end dragged across other nodes is taken off its
    // first node's list at the release, not only off the last one it passed.
    std::shared_ptr<ConnectionPoint> startOrigin_;
    std::shared_ptr<ConnectionPoint> startDestination_;
};

}  // namespace nodeloom
