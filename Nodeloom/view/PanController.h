#pragma once

#include <memory>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

class DiagramView;

// Scrolls the view with one finger: the document follows the finger across the screen. The
// finger's positions are turned back into view points with the scroll of each moment, so the
// scrolling done so far does not feed back into the next step.
class PanController : public TouchInputController {
public:
    // The view owns its running controllers, so the controller refers to it weakly and does
    // nothing once it is gone.
    explicit PanController(const std::shared_ptr<DiagramView>& view);

    void onTouchDown(Point point, Point positionB) override;
    void onTouchMove(Point point, Point positionB) override;
    void onTouchUp(Point point, Point positionB) override;
    void onCancel(Point point, Point positionB) override;

    double savedScrollX() const { return savedScrollX_; }
    void setSavedScrollX(double scroll) { savedScrollX_ = scroll; }
    double savedScrollY() const { return savedScrollY_; }
    void setSavedScrollY(double scroll) { savedScrollY_ = scroll; }
    // Where the finger went down, in view points.
    Point start() const { return start_; }
    void setStart(Point start) { start_ = start; }
    std::shared_ptr<DiagramView> view() const { return view_.lock(); }
    void setView(const std::shared_ptr<DiagramView>& view) { view_ = view; }

private:
    double savedScrollX_ = 0;
    double savedScrollY_ = 0;
    Point start_;
    std::weak_ptr<DiagramView> view_;
};

}  // namespace nodeloom
