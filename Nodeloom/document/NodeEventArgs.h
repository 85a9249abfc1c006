#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/NodeHandleType.h"

namespace nodeloom {

class DiagramNode;

// Something happened to a node. The arguments keep the node alive for as long as they exist, so a
// handler never meets a node that was freed while the event was on its way.
class NodeEventArgs {
public:
    explicit NodeEventArgs(std::shared_ptr<DiagramNode> node) : node_(std::move(node)) {}
    NodeEventArgs(std::shared_ptr<DiagramNode> node, Point pointerPosition,
                  NodeHandleType adjustmentHandle)
        : node_(std::move(node)),
          pointerPosition_(pointerPosition),
          adjustmentHandle_(adjustmentHandle) {}
    virtual ~NodeEventArgs() = default;

    const std::shared_ptr<DiagramNode>& node() const { return node_; }
    void setNode(std::shared_ptr<DiagramNode> node) { node_ = std::move(node); }
    Point pointerPosition() const { return pointerPosition_; }
    void setPointerPosition(Point p) { pointerPosition_ = p; }
    NodeHandleType adjustmentHandle() const { return adjustmentHandle_; }
    void setAdjustmentHandle(NodeHandleType h) { adjustmentHandle_ = h; }

private:
    std::shared_ptr<DiagramNode> node_;
    Point pointerPosition_;
    NodeHandleType adjustmentHandle_ = NodeHandleType::none;
};

// A change to a node that handlers may veto: the raiser reads cancel back after the last
// handler, and a drag stops at once once any handler has called cancelDrag().
class NodeValidationEventArgs : public NodeEventArgs {
public:
    using NodeEventArgs::NodeEventArgs;
    NodeValidationEventArgs(std::shared_ptr<DiagramNode> node, Rect selectionRectangle)
        : NodeEventArgs(std::move(node)), selectionRectangle_(selectionRectangle) {}

    bool cancel() const { return cancel_; }
    void setCancel(bool cancel) { cancel_ = cancel; }
    // Once asked for, the drag stays cancelled: no later handler can take it back.
    void cancelDrag() { cancelDrag_ = true; }
    bool _cancelDrag() const { return cancelDrag_; }
    Rect selectionRectangle() const { return selectionRectangle_; }

private:
    Rect selectionRectangle_;
    bool cancel_ = false;
    bool cancelDrag_ = false;
};

}  // namespace nodeloom
