#include "Nodeloom/view/DrawSelectionController.h"

#include <cmath>
#include <utility>
#include <vector>

#include "Nodeloom/composite/ContainerNode.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/document/Selection.h"
#include "Nodeloom/foundation/Brush.h"
#include "Nodeloom/foundation/Canvas.h"
#include "Nodeloom/foundation/Colors.h"

namespace nodeloom {

namespace {

std::shared_ptr<DiagramItem> selectionOf(const std::shared_ptr<Diagram>& diagram) {
    return diagram ? diagram->selection() : nullptr;
}

}  // namespace

DrawSelectionController::DrawSelectionController(const std::shared_ptr<Diagram>& diagram)
    : SinglePointerController(diagram, selectionOf(diagram), nullptr) {}

DrawSelectionController::~DrawSelectionController() = default;

void DrawSelectionController::startDrag(Point point) {
    setStartPoint(point);
    selection_ = std::make_shared<Selection>(diagram());
    selection_->setBounds(Rect(point.x, point.y, 0, 0));
}

void DrawSelectionController::continueDrag(Point point) {
    setCurrentPoint(point);
    if (!selection_) return;
    const Point s = startPoint();
    // On the start's row or column the band keeps its last rectangle.
    if (point.x == s.x || point.y == s.y) return;
    selection_->setBounds(Rect(std::min(point.x, s.x), std::min(point.y, s.y),
                               std::abs(point.x - s.x), std::abs(point.y - s.y)));
}

void DrawSelectionController::endDrag(Point) {
    const std::shared_ptr<Diagram>& d = diagram();
    if (!selection_ || !d) return;
    d->clearSelection();
    const Rect r = selection_->bounds();
    d->updateZOrder();
    // A copy: selecting may make a handler change the document.
    const std::vector<std::shared_ptr<DiagramItem>> items = d->items();
    for (const auto& item : items) {
        if (!item || !item->isTopLevel()) continue;
        if (d->isItemInteractive(*item) && item->intersects(r)) item->setSelected(true);
        if (const auto container = std::dynamic_pointer_cast<ContainerNode>(item)) {
            if (container->DiagramNode::intersects(r)) {
                container->visitChildrenInRect(r, true,
                                               [](const std::shared_ptr<DiagramItem>& child) {
                                                   if (child) child->setSelected(true);
                                               });
            }
        }
    }
}

void DrawSelectionController::onCancel(Point, Point) {
    selection_.reset();
}

void DrawSelectionController::draw(Canvas& canvas) {
    if (!selection_) return;
    canvas.setStroke(*selection_->strokeColor());
    canvas.setLineDashStyle({2.5f, 5.0f});
    canvas.setBrush(std::make_shared<SolidColorBrush>(Colors::Transparent()));
    canvas.drawRect(selection_->bounds());
}

}  // namespace nodeloom
