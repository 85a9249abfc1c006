#include "Nodeloom/composite/TreeItemExpander.h"

#include <utility>

#include "Nodeloom/composite/TreeViewItem.h"
#include "Nodeloom/composite/TreeViewNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/MeasureUnit.h"

namespace nodeloom {

TreeItemExpander::TreeItemExpander(const std::shared_ptr<TreeViewNode>& node,
                                   std::shared_ptr<TreeViewItem> treeItem)
    : Expander(std::weak_ptr<DiagramItem>(node)), treeItem_(std::move(treeItem)) {
    updateBounds();
}

void TreeItemExpander::updateBounds() {
    const std::shared_ptr<DiagramItem> node = item();
    const std::shared_ptr<Diagram> diagram = node ? node->diagram() : nullptr;
    if (!diagram || !treeItem_) return;
    const double mm = MeasureUnit::Millimeter()->convert(1.0, diagram->measureUnit(), diagram.get());
    setBounds(treeItem_->getIconRect(mm));
}

bool TreeItemExpander::expanded() const {
    return treeItem_ && treeItem_->expanded();
}

Rect TreeItemExpander::localBounds() const {
    return bounds();
}

Rect TreeItemExpander::globalBounds() const {
    Rect r = bounds();
    const std::shared_ptr<DiagramItem> owner = item();
    if (const auto* node = dynamic_cast<const DiagramNode*>(owner.get())) {
        const Rect b = node->bounds();
        r.x += b.x;
        r.y += b.y;
    }
    return r;
}

void TreeItemExpander::draw(Canvas& canvas) {
    updateBounds();
    Expander::draw(canvas);
}

void TreeItemExpander::onClick(const Point&) {
    if (!treeItem_) return;
    treeItem_->setExpanded(!treeItem_->expanded());
    if (auto node = std::dynamic_pointer_cast<TreeViewNode>(item())) node->updateLinksAfterScroll();
}

bool TreeItemExpander::needsDragEvents(const Point&) {
    return false;
}

}  // namespace nodeloom
