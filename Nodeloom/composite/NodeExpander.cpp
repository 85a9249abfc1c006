#include "Nodeloom/composite/NodeExpander.h"

#include <utility>

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/MeasureUnit.h"
#include "Nodeloom/items/DiagramNode.h"

namespace nodeloom {

NodeExpander::NodeExpander(std::weak_ptr<DiagramItem> item) : Expander(std::move(item)) {}

bool NodeExpander::expanded() const {
    const std::shared_ptr<DiagramItem> owner = item();
    auto* node = dynamic_cast<DiagramNode*>(owner.get());
    return node != nullptr && node->expanded();
}

void NodeExpander::updateBounds() {
    const std::shared_ptr<DiagramItem> owner = item();
    auto* node = dynamic_cast<DiagramNode*>(owner.get());
    if (node == nullptr) return;
    const std::shared_ptr<Diagram> diagram = node->diagram();
    if (!diagram) return;
    const std::shared_ptr<MeasureUnit> unit = diagram->measureUnit();
    const Rect n = node->bounds();
    const double size = MeasureUnit::Millimeter()->convert(3.0, unit);
    const double gap = MeasureUnit::Millimeter()->convert(1.0, unit);
    setBounds(Rect(n.x + n.width + gap, n.y + (n.height - size) / 2, size, size));
}

void NodeExpander::draw(Canvas& canvas) {
    updateBounds();
    Expander::draw(canvas);
}

void NodeExpander::onClick(const Point&) {
    const std::shared_ptr<DiagramItem> owner = item();
    const std::shared_ptr<DiagramNode> node = std::dynamic_pointer_cast<DiagramNode>(owner);
    if (!node) return;
    const std::shared_ptr<Diagram> diagram = node->diagram();
    if (diagram) diagram->recordAllItemStates();
    if (node->expanded()) {
        node->collapse(node->collapsedSet());
    } else {
        node->expand();
    }
    if (diagram) diagram->commitCompositeOperation();
}

bool NodeExpander::needsDragEvents(const Point&) {
    return false;
}

void NodeExpander::onTouchDown(const Point&) {}

void NodeExpander::onTouchMove(const Point&) {}

void NodeExpander::onTouchUp(const Point&) {}

}  // namespace nodeloom
