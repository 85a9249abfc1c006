#include "Nodeloom/view/ManipulatorController.h"

#include "Nodeloom/items/Manipulator.h"

namespace nodeloom {

ManipulatorController::ManipulatorController(std::shared_ptr<Manipulator> manipulator)
    : manipulator_(std::move(manipulator)) {}

void ManipulatorController::onTouchDown(Point point, Point) {
    if (const std::shared_ptr<Manipulator> m = manipulator_) m->onTouchDown(point);
}

void ManipulatorController::onTouchMove(Point point, Point) {
    if (const std::shared_ptr<Manipulator> m = manipulator_) m->onTouchMove(point);
}

void ManipulatorController::onTouchUp(Point point, Point) {
    if (const std::shared_ptr<Manipulator> m = manipulator_) m->onTouchUp(point);
}

}  // namespace nodeloom
