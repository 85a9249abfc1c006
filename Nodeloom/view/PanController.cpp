#include "Nodeloom/view/PanController.h"

#include "Nodeloom/view/DiagramView.h"

namespace nodeloom {

PanController::PanController(const std::shared_ptr<DiagramView>& view) : view_(view) {}

void PanController::onTouchDown(Point point, Point) {
    const std::shared_ptr<DiagramView> view = view_.lock();
    if (!view) return;
    savedScrollX_ = view->scrollX();
    savedScrollY_ = view->scrollY();
    start_ = view->docToClient(point);
}

void PanController::onTouchMove(Point point, Point) {
    const std::shared_ptr<DiagramView> view = view_.lock();
    if (!view) return;
    const Point current = view->docToClient(point);
    view->setScrollX(savedScrollX_ - view->clientToDocLen(current.x - start_.x));
    view->setScrollY(savedScrollY_ - view->clientToDocLen(current.y - start_.y));
}

void PanController::onTouchUp(Point, Point) {}

void PanController::onCancel(Point, Point) {}

}  // namespace nodeloom
