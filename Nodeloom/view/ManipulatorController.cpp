#include "Nodeloom/view/ManipulatorController.h"

#include "Nodeloom/items/Manipulator.h"

namespace nodeloom {

ManipulatorController::ManipulatorController(std::shared_ptr<Manipulator> manipulator)
    : manipulator_(std::move(manipulator)) {}

ManipulatorController::~ManipulatorController() {
    if (!running_) return;
    try {
        onCancel(last_, Point(0, 0));
    } catch (...) {
    }
}

void ManipulatorController::onTouchDown(Point point, Point) {
    running_ = true;
    last_ = point;
    if (const std::shared_ptr<Manipulator> m = manipulator_) m->onTouchDown(point);
}

void ManipulatorController::onTouchMove(Point point, Point) {
    last_ = point;
    if (const std::shared_ptr<Manipulator> m = manipulator_) m->onTouchMove(point);
}

void ManipulatorController::onTouchUp(Point point, Point) {
    running_ = false;
    if (const std::shared_ptr<Manipulator> m = manipulator_) m->onTouchUp(point);
}

void ManipulatorController::onCancel(Point point, Point) {
    running_ = false;
    if (const std::shared_ptr<Manipulator> m = manipulator_) m->onCancel(point);
}

}  // namespace nodeloom
