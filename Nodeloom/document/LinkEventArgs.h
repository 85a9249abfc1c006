#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"

namespace nodeloom {

class DiagramLink;
class DiagramNode;

// Something happened to a link; adjustmentHandle is the index of the control point being
// dragged, -1 for none. The arguments keep the link alive while they exist.
class LinkEventArgs {
public:
    explicit LinkEventArgs(std::shared_ptr<DiagramLink> link) : link_(std::move(link)) {}
    LinkEventArgs(std::shared_ptr<DiagramLink> link, Point pointerPosition, int adjustmentHandle)
        : pointerPosition_(pointerPosition),
          adjustmentHandle_(adjustmentHandle),
          link_(std::move(link)) {}
    virtual ~LinkEventArgs() = default;

    Point pointerPosition() const { return pointerPosition_; }
    void setPointerPosition(Point p) { pointerPosition_ = p; }
    int adjustmentHandle() const { return adjustmentHandle_; }
    void setAdjustmentHandle(int index) { adjustmentHandle_ = index; }
    const std::shared_ptr<DiagramLink>& link() const { return link_; }
    void setLink(std::shared_ptr<DiagramLink> link) { link_ = std::move(link); }

private:
    Point pointerPosition_;
    int adjustmentHandle_ = -1;
    std::shared_ptr<DiagramLink> link_;
};

// A change to a link that handlers may veto; node is the node the dragged end would connect to.
class LinkValidationEventArgs : public LinkEventArgs {
public:
    // The forms without a node give a fresh virtual node, so `node` is never null.
    explicit LinkValidationEventArgs(std::shared_ptr<DiagramLink> link);
    LinkValidationEventArgs(std::shared_ptr<DiagramLink> link, Point pointerPosition,
                            int adjustmentHandle);
    LinkValidationEventArgs(std::shared_ptr<DiagramLink> link, Point pointerPosition,
                            int adjustmentHandle, std::shared_ptr<DiagramNode> node,
                            int anchorIndex, int tableRow);
    LinkValidationEventArgs(std::shared_ptr<DiagramLink> link, Rect selectionRectangle);

    bool cancel() const { return cancel_; }
    void setCancel(bool cancel) { cancel_ = cancel; }
    // Once asked for, the drag stays cancelled: no later handler can take it back.
    void cancelDrag() { cancelDrag_ = true; }
    bool _cancelDrag() const { return cancelDrag_; }

    const std::shared_ptr<DiagramNode>& node() const { return node_; }
    int anchorIndex() const { return anchorIndex_; }
    int tableRow() const { return tableRow_; }
    Rect selectionRectangle() const { return selectionRectangle_; }

    // Whether the dragged point is the link's first or last control point, and the ends the link
    // would have if the change went through.
    bool changingOrigin() const;
    bool changingDestination() const;
    std::shared_ptr<DiagramNode> origin() const;
    std::shared_ptr<DiagramNode> destination() const;

private:
    std::shared_ptr<DiagramNode> node_;
    bool cancel_ = false;
    bool cancelDrag_ = false;
    int anchorIndex_ = -1;
    int tableRow_ = -1;
    Rect selectionRectangle_;
};

}  // namespace nodeloom
