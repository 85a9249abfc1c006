#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/items/NodeHandleType.h"

namespace nodeloom {

class DiagramItem;

// The spot of a selected item that a finger grabbed. A handle refers to its item without keeping
// it alive; item() answers null once the item is gone.
class AdjustmentHandle {
public:
    virtual ~AdjustmentHandle() = default;

    virtual bool isResizeHandle() const;

    std::shared_ptr<DiagramItem> item() const { return item_.lock(); }
    void setItem(const std::shared_ptr<DiagramItem>& item) { item_ = item; }

protected:
    explicit AdjustmentHandle(const std::shared_ptr<DiagramItem>& item) : item_(item) {}
    AdjustmentHandle(const AdjustmentHandle&) = default;
    AdjustmentHandle& operator=(const AdjustmentHandle&) = default;

private:
    std::weak_ptr<DiagramItem> item_;
};

// One of a node's nine handle points, or the rotation handle.
class NodeAdjustmentHandle : public AdjustmentHandle {
public:
    NodeAdjustmentHandle(const std::shared_ptr<DiagramItem>& item, NodeHandleType type)
        : AdjustmentHandle(item), nodeHandleType_(type) {}

    // True for the eight resize handles.
    bool isResizeHandle() const override;

    // The bounds the node gets when this handle is dragged from start to end: the opposite side
    // or corner stays put. The result is neither normalised nor held to a minimum size.
    virtual Rect updateBounds(const Rect& rect, const Point& start, const Point& end) const;

    NodeHandleType nodeHandleType() const { return nodeHandleType_; }
    void setNodeHandleType(NodeHandleType type) { nodeHandleType_ = type; }

private:
    NodeHandleType nodeHandleType_;
};

// One point of a link's point list.
class LinkAdjustmentHandle : public AdjustmentHandle {
public:
    explicit LinkAdjustmentHandle(const std::shared_ptr<DiagramItem>& item)
        : AdjustmentHandle(item) {}

    int pointIndex() const { return pointIndex_; }
    void setPointIndex(int index) { pointIndex_ = index; }

private:
    int pointIndex_ = -1;
};

// The nearest of the nine handle points of the rectangle (corners, side middles, centre), when
// its squared distance to the point is within the tolerance; a tie goes to the corner.
std::shared_ptr<NodeAdjustmentHandle> getNodeHandleAt(const std::shared_ptr<DiagramItem>& item,
                                                      const Rect& rect, const Point& point,
                                                      double tolerance);

// The point of the link's point list nearest to the point, within a reach of 25 millimetres in
// points, compared with squared distances; a tie goes to the earlier point.
std::shared_ptr<LinkAdjustmentHandle> getLinkHandleAt(const std::shared_ptr<DiagramItem>& link,
                                                      const std::vector<Point>& points,
                                                      const Point& point);

}  // namespace nodeloom
