#include "Nodeloom/view/PanOrZoomController.h"

#include <cmath>

#include "Nodeloom/view/DiagramView.h"

namespace nodeloom {

namespace {

// Below this the fingers are taken to touch, and no zoom factor can come of their distance.
constexpr double minFingerDistance = 1e-6;

}  // namespace

PanOrZoomController::PanOrZoomController(const std::shared_ptr<DiagramView>& view) : view_(view) {
    if (view) initialViewport_ = view->clientToDocRect(view->bounds());
}

int PanOrZoomController::pointerCount() const {
    return 2;
}

void PanOrZoomController::onTouchDown(Point p1, Point p2) {
    const std::shared_ptr<DiagramView> view = view_.lock();
    if (!view) return;
    savedScrollX_ = view->scrollX();
    savedScrollY_ = view->scrollY();
    touch1_ = view->docToClient(p1);
    touch2_ = view->docToClient(p2);
    initialDistance_ = touch1_.distance(touch2_);
}

void PanOrZoomController::onTouchMove(Point p1, Point p2) {
    const std::shared_ptr<DiagramView> view = view_.lock();
    if (!view) return;
    if ((p1.x == 0 && p1.y == 0) || (p2.x == 0 && p2.y == 0)) return;
    const Point c1 = view->docToClient(p1);
    const Point c2 = view->docToClient(p2);
    if (!(c1.distance(touch1_) > maxDistance && c2.distance(touch2_) > maxDistance)) return;
    const double d = c1.distance(c2);
    const double i = initialDistance_;
    if (!decided_) {
        zoomStarted_ = !(i - panToZoomDistance <= d && d <= i + panToZoomDistance);
        decided_ = true;
    }
    if (!zoomStarted_) {
        const double dx = view->clientToDocLen(c1.x - touch1_.x);
        const double dy = view->clientToDocLen(c1.y - touch1_.y);
        initialViewport_ = view->clientToDocRect(view->bounds());
        view->setScrollX(savedScrollX_ - dx);
        view->setScrollY(savedScrollY_ - dy);
        return;
    }
    if (!std::isfinite(d) || d < minFingerDistance) return;
    double f;
    if (d > i + panToZoomDistance)
        f = (i + panToZoomDistance) / d;
    else if (d < i - panToZoomDistance)
        f = (i - panToZoomDistance) / d;
    else
        return;
    view->zoomToRect(initialViewport_.scaledRect(f));
}

void PanOrZoomController::onTouchUp(Point, Point) {
    decided_ = false;
}

void PanOrZoomController::onCancel(Point, Point) {}

}  // namespace nodeloom
