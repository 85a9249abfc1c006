#pragma once

#include <memory>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/view/TouchInputController.h"

namespace nodeloom {

class DiagramView;

// Two fingers pan or zoom the view. Nothing happens until both fingers have travelled more
// than 30 view points; then the gesture is taken, once, for a pan when the distance between the
// fingers changed by at most 50 points and for a zoom otherwise, and stays so until the fingers
// are lifted. A pan follows the first finger; a zoom scales the visible rectangle about its
// centre by how far the fingers went past the 50-point band. The document is never changed.
class PanOrZoomController : public TouchInputController {
public:
    // The view owns its running controllers, so the controller refers to it weakly and does
    // nothing once it is gone.
    explicit PanOrZoomController(const std::shared_ptr<DiagramView>& view);

    void onTouchDown(Point point, Point positionB) override;
    void onTouchMove(Point point, Point positionB) override;
    void onTouchUp(Point point, Point positionB) override;
    void onCancel(Point point, Point positionB) override;
    int pointerCount() const override;

    bool decided() const { return decided_; }
    void setDecided(bool decided) { decided_ = decided; }
    static constexpr double panToZoomDistance = 50.0;
    static constexpr double maxDistance = 30.0;
    double savedScrollX() const { return savedScrollX_; }
    double savedScrollY() const { return savedScrollY_; }
    // The fingers' start positions, in view points.
    Point touch1() const { return touch1_; }
    Point touch2() const { return touch2_; }
    std::shared_ptr<DiagramView> view() const { return view_.lock(); }
    // The visible document rectangle the zoom scales.
    Rect initialViewport() const { return initialViewport_; }
    double initialDistance() const { return initialDistance_; }
    bool zoomStarted() const { return zoomStarted_; }

private:
    bool decided_ = false;
    double savedScrollX_ = 0;
    double savedScrollY_ = 0;
    Point touch1_;
    Point touch2_;
    std::weak_ptr<DiagramView> view_;
    Rect initialViewport_;
    double initialDistance_ = 0;
    bool zoomStarted_ = false;
};

}  // namespace nodeloom
