#include "Nodeloom/items/Attachment.h"

#include "Nodeloom/items/DiagramNode.h"
#include "Nodeloom/links/DiagramLink.h"  // Hook: nodes and links name each other

namespace nodeloom {

template <>
std::optional<AttachToNode> fromRaw<AttachToNode>(int raw) {
    if (raw < 0 || raw > 3) return std::nullopt;
    return static_cast<AttachToNode>(raw);
}

template <>
std::optional<AttachToLink> fromRaw<AttachToLink>(int raw) {
    if (raw != 0) return std::nullopt;
    return AttachToLink::center;
}

Attachment::Attachment(const std::shared_ptr<DiagramItem>& master,
                       const std::shared_ptr<DiagramNode>& childNode, AttachToNode nodeOffset)
    : master_(master), childNode_(childNode), nodeOffset_(nodeOffset) {
    updateOffsets();
}

Attachment::Attachment(const std::shared_ptr<DiagramItem>& master,
                       const std::shared_ptr<DiagramNode>& childNode, AttachToLink linkOffset)
    : master_(master), childNode_(childNode), linkOffset_(linkOffset) {
    updateOffsets();
}

Attachment::~Attachment() = default;

void Attachment::detach() {}

void Attachment::updateFromMaster() {}

void Attachment::updateOffsets() {
    const std::shared_ptr<DiagramItem> master = master_.lock();
    const std::shared_ptr<DiagramNode> child = childNode_.lock();
    if (!master || !child) return;

    if (auto* node = dynamic_cast<DiagramNode*>(master.get())) {
        if (!nodeOffset_) return;
        const Rect b = node->bounds();
        masterPoint_ = cornerOf(*node, *nodeOffset_);
        width_ = masterPoint_.x - b.x;
        height_ = masterPoint_.y - b.y;
    } else if (auto* link = dynamic_cast<DiagramLink*>(master.get())) {
        if (link->controlPoints().empty()) return;
        masterPoint_ = link->center();
    } else {
        return;
    }
    const Rect c = child->bounds();
    setOffsetX(masterPoint_.x - c.x);
    setOffsetY(masterPoint_.y - c.y);
}

Point Attachment::cornerOf(const DiagramNode& master, AttachToNode corner) {
    const Rect b = master.bounds();
    switch (corner) {
        case AttachToNode::topLeft:
            return Point(b.x, b.y);
        case AttachToNode::topRight:
            return Point(b.x + b.width, b.y);
        case AttachToNode::bottomLeft:
            return Point(b.x, b.y + b.height);
        case AttachToNode::bottomRight:
            return Point(b.x + b.width, b.y + b.height);
    }
    return Point(b.x, b.y);
}

void Attachment::placeChild(DiagramNode& child, double x, double y) {
    const Rect b = child._bounds();
    child._setBounds(Rect(x, y, b.width, b.height));
}

}  // namespace nodeloom
