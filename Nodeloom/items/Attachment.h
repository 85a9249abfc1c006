#pragma once

#include <memory>
#include <optional>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/RawValue.h"

namespace nodeloom {

class DiagramItem;
class DiagramNode;

// The corner of a master node that an attached node follows.
enum class AttachToNode {
    topLeft = 0,
    topRight = 1,
    bottomLeft = 2,
    bottomRight = 3,
};

// The point of a master link that an attached node follows: the midpoint of its first and last
// control points.
enum class AttachToLink {
    center = 0,
};

template <>
std::optional<AttachToNode> fromRaw<AttachToNode>(int raw);
template <>
std::optional<AttachToLink> fromRaw<AttachToLink>(int raw);

// Keeps a child node at a constant offset from a point of its master: a corner of a master node
// or the midpoint of a master link. The child keeps its own size.
//
// The master lists the child among its attached nodes and the child holds this attachment, so
// the attachment refers to both weakly: a strong reference would close a loop that keeps master
// and child alive after their document is gone. Once either is gone the operations do nothing.
class Attachment {
public:
    // What the attachment keeps besides its master and child: an undo snapshot copies these,
    // since the attachment object itself goes on changing with the live geometry.
    struct Values {
        double offsetX = 0.0;
        double offsetY = 0.0;
        Point masterPoint;
        std::optional<AttachToNode> nodeOffset;
        std::optional<AttachToLink> linkOffset;
        double width = 0.0;
        double height = 0.0;
    };

    // Both compute the offsets from the current geometry at once.
    Attachment(const std::shared_ptr<DiagramItem>& master,
               const std::shared_ptr<DiagramNode>& childNode, AttachToNode nodeOffset);
    Attachment(const std::shared_ptr<DiagramItem>& master,
               const std::shared_ptr<DiagramNode>& childNode, AttachToLink linkOffset);
    virtual ~Attachment();

    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    // Ends the attachment; nothing here.
    virtual void detach();
    // Moves the child so that its offset from the master point is kept; nothing here.
    virtual void updateFromMaster();
    // Takes the child's current offset from the master point as the one to keep. A master that
    // is neither a node nor a link, a node master without a corner and a link without control
    // points leave the attachment as it was.
    virtual void updateOffsets();

    // Master point minus the child's top-left corner.
    virtual double offsetX() const { return offsetX_; }
    virtual void setOffsetX(double value) { offsetX_ = value; }
    virtual double offsetY() const { return offsetY_; }
    virtual void setOffsetY(double value) { offsetY_ = value; }
    virtual std::shared_ptr<DiagramItem> master() const { return master_.lock(); }
    virtual void setMaster(const std::shared_ptr<DiagramItem>& master) { master_ = master; }
    virtual std::shared_ptr<DiagramNode> childNode() const { return childNode_.lock(); }
    virtual void setChildNode(const std::shared_ptr<DiagramNode>& node) { childNode_ = node; }
    virtual std::optional<AttachToNode> nodeOffset() const { return nodeOffset_; }
    virtual void setNodeOffset(std::optional<AttachToNode> offset) { nodeOffset_ = offset; }
    virtual std::optional<AttachToLink> linkOffset() const { return linkOffset_; }
    virtual void setLinkOffset(std::optional<AttachToLink> offset) { linkOffset_ = offset; }
    // Distance of the followed corner from the master's left and top edges; for information.
    virtual double width() const { return width_; }
    virtual void setWidth(double value) { width_ = value; }
    virtual double height() const { return height_; }
    virtual void setHeight(double value) { height_ = value; }

    Values values() const;
    // Puts back values taken earlier; the master and the child stay.
    void setValues(const Values& values);

protected:
    // The followed corner of the master node's bounds for this attachment's corner.
    static Point cornerOf(const DiagramNode& master, AttachToNode corner);
    // Writes the child's top-left corner straight into its stored bounds: the document's
    // dependency pass repaints and moves the child's links afterwards.
    static void placeChild(DiagramNode& child, double x, double y);

private:
    double offsetX_ = 0.0;
    double offsetY_ = 0.0;
    Point masterPoint_;
    std::weak_ptr<DiagramItem> master_;
    std::weak_ptr<DiagramNode> childNode_;
    std::optional<AttachToNode> nodeOffset_;
    std::optional<AttachToLink> linkOffset_;
    double width_ = 0.0;
    double height_ = 0.0;
};

}  // namespace nodeloom
