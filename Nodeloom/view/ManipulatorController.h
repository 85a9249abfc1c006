#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

class Manipulator;

// Hands the drag of one finger to an on-item widget that asked for drags. A cancel, or a
// controller let go of between the touch-down and the release, cancels the widget's drag.
class ManipulatorController : public TouchInputController {
public:
    explicit ManipulatorController(std::shared_ptr<Manipulator> manipulator);
    ~ManipulatorController() override;

    void onTouchDown(Point point, Point positionB) override;
    void onTouchMove(Point point, Point positionB) override;
    void onTouchUp(Point point, Point positionB) override;
    void onCancel(Point point, Point positionB) override;

    const std::shared_ptr<Manipulator>& manipulator() const { return manipulator_; }
    void setManipulator(std::shared_ptr<Manipulator> manipulator) {
        manipulator_ = std::move(manipulator);
    }

private:
    std::shared_ptr<Manipulator> manipulator_;
    // Between the touch-down and the release or the cancel.
    bool running_ = false;
    Point last_;
};

}  // namespace nodeloom
