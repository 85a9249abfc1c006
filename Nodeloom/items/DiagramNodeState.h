#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "Nodeloom/items/Attachment.h"
#include "Nodeloom/items/DiagramItemState.h"

namespace nodeloom {

class AnchorPattern;

// The undo snapshot of a node. Its bounds are kept in the common part; the pattern and the
// attachment are the node's own objects, not copies, and the attachment's values as they were
// are kept beside it, to be written back into it on restore.
class DiagramNodeState : public DiagramItemState {
public:
    DiagramNodeState() = default;

    double rotationAngle() const { return rotationAngle_; }
    void setRotationAngle(double angle) { rotationAngle_ = angle; }
    const std::shared_ptr<AnchorPattern>& anchorPattern() const { return anchorPattern_; }
    void setAnchorPattern(std::shared_ptr<AnchorPattern> pattern) {
        anchorPattern_ = std::move(pattern);
    }
    bool expanded() const { return expanded_; }
    void setExpanded(bool expanded) { expanded_ = expanded; }
    bool expandable() const { return expandable_; }
    void setExpandable(bool expandable) { expandable_ = expandable; }
    bool obstacle() const { return obstacle_; }
    void setObstacle(bool obstacle) { obstacle_ = obstacle; }
    const std::shared_ptr<Attachment>& attachment() const { return attachment_; }
    void setAttachment(std::shared_ptr<Attachment> attachment) {
        attachment_ = std::move(attachment);
    }
    const std::optional<Attachment::Values>& attachmentValues() const { return attachmentValues_; }
    void setAttachmentValues(std::optional<Attachment::Values> values) {
        attachmentValues_ = values;
    }

private:
    double rotationAngle_ = 0.0;
    std::shared_ptr<AnchorPattern> anchorPattern_;
    bool expanded_ = true;
    bool expandable_ = false;
    bool obstacle_ = true;
    std::shared_ptr<Attachment> attachment_;
    std::optional<Attachment::Values> attachmentValues_;
};

}  // namespace nodeloom
