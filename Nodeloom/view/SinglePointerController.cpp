#include "Nodeloom/view/SinglePointerController.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/AdjustmentHandle.h"
#include "Nodeloom/items/DiagramItem.h"

namespace nodeloom {

SinglePointerController::SinglePointerController(std::shared_ptr<Diagram> diagram,
                                                 std::shared_ptr<DiagramItem> modifiedItem,
                                                 std::shared_ptr<AdjustmentHandle> adjustmentHandle)
    : DragState(std::move(modifiedItem), std::move(adjustmentHandle)),
      diagram_(std::move(diagram)) {}

SinglePointerController::~SinglePointerController() = default;

void SinglePointerController::onTouchDown(Point point, Point) {
    startDrag(point);
}

void SinglePointerController::onTouchMove(Point point, Point) {
    continueDrag(point);
}

void SinglePointerController::onTouchUp(Point point, Point) {
    endDrag(point);
}

void SinglePointerController::startDrag(Point point) {
    setStartPoint(point);
}

void SinglePointerController::continueDrag(Point point) {
    setCurrentPoint(point);
}

void SinglePointerController::endDrag(Point) {}

}  // namespace nodeloom
