#include "Nodeloom/view/SinglePointerController.h"

#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/items/DiagramItemState.h"
#include "Nodeloom/items/AdjustmentHandle.h"

namespace nodeloom {

SinglePointerController::SinglePointerController(std::shared_ptr<Diagram> diagram,
                                                 std::shared_ptr<DiagramItem> modifiedItem,
                                                 std::shared_ptr<AdjustmentHandle> adjustmentHandle)
    : diagram_(std::move(diagram)),
      modifiedItem_(std::move(modifiedItem)),
      adjustmentHandle_(std::move(adjustmentHandle)) {}

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
    startPoint_ = point;
}

void SinglePointerController::continueDrag(Point point) {
    currentPoint_ = point;
}

void SinglePointerController::endDrag(Point) {}

}  // namespace nodeloom
