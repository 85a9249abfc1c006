#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Size.h"
#include "Nodeloom/items/DiagramNodeState.h"

namespace nodeloom {

class DiagramNode;

// The undo snapshot of a container: its settings, its fold state and its children (the nodes
// themselves, not copies). The clipping switch and the content's drawing order are not kept.
class ContainerNodeState : public DiagramNodeState {
public:
    ContainerNodeState() = default;

    double captionHeight() const { return captionHeight_; }
    void setCaptionHeight(double height) { captionHeight_ = height; }
    bool allowAddChildren() const { return allowAddChildren_; }
    void setAllowAddChildren(bool allow) { allowAddChildren_ = allow; }
    bool allowRemoveChildren() const { return allowRemoveChildren_; }
    void setAllowRemoveChildren(bool allow) { allowRemoveChildren_ = allow; }
    double margin() const { return margin_; }
    void setMargin(double margin) { margin_ = margin; }
    bool foldable() const { return foldable_; }
    void setFoldable(bool foldable) { foldable_ = foldable; }
    bool folded() const { return folded_; }
    void setFolded(bool folded) { folded_ = folded; }
    Size unfoldedSize() const { return unfoldedSize_; }
    void setUnfoldedSize(const Size& size) { unfoldedSize_ = size; }
    const std::vector<std::shared_ptr<DiagramNode>>& children() const { return children_; }
    void setChildren(std::vector<std::shared_ptr<DiagramNode>> children) {
        children_ = std::move(children);
    }

private:
    double captionHeight_ = 0.0;
    bool allowAddChildren_ = true;
    bool allowRemoveChildren_ = true;
    double margin_ = 3.0;
    bool foldable_ = true;
    bool folded_ = false;
    Size unfoldedSize_{100.0, 100.0};
    std::vector<std::shared_ptr<DiagramNode>> children_;
};

}  // namespace nodeloom
