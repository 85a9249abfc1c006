#include "Nodeloom/items/Manipulator.h"

namespace nodeloom {

void Manipulator::draw(Canvas&) {}

bool Manipulator::hitTest(const Point&) {
    return false;
}

void Manipulator::onClick(const Point&) {}

bool Manipulator::needsDragEvents(const Point&) {
    return false;
}

void Manipulator::onTouchDown(const Point&) {}

void Manipulator::onTouchMove(const Point&) {}

void Manipulator::onTouchUp(const Point&) {}

void Manipulator::onCancel(const Point&) {}

}  // namespace nodeloom
