#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

void TouchInputController::onTouchDown(Point, Point) {}
void TouchInputController::onTouchMove(Point, Point) {}
void TouchInputController::onTouchUp(Point, Point) {}
void TouchInputController::onCancel(Point, Point) {}
void TouchInputController::draw(Canvas&) {}

int TouchInputController::pointerCount() const {
    return 1;
}

}  // namespace nodeloom
