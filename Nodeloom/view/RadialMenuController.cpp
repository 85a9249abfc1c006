#include "Nodeloom/view/RadialMenuController.h"

#include <cmath>

#include "Nodeloom/document/ContextMenuEventArgs.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/items/DiagramItem.h"
#include "Nodeloom/view/DiagramView.h"
#include "Nodeloom/view/MenuItem.h"
#include "Nodeloom/view/RadialMenu.h"

namespace nodeloom {

RadialMenuController::RadialMenuController(std::shared_ptr<RadialMenu> menu,
                                           const std::shared_ptr<DiagramView>& view,
                                           Point buttonDownPos, std::shared_ptr<DiagramItem> item)
    : SinglePointerController(view ? view->diagram() : nullptr, nullptr, nullptr),
      menu_(std::move(menu)),
      diagramView_(view),
      buttonDownPos_(buttonDownPos),
      item_(std::move(item)) {}

RadialMenuController::~RadialMenuController() {
    if (!shown_) return;
    // Taking the menu out cancels the fingers on it, whose handlers must not escape.
    try {
        closeMenu();
    } catch (...) {
    }
}

void RadialMenuController::startDrag(Point point) {
    SinglePointerController::startDrag(point);
    const std::shared_ptr<DiagramView> view = diagramView_.lock();
    menu_ = RadialMenu::create(Rect(point.x - 80, point.y - 80, 160, 160));
    if (!view) return;
    buttonDownPos_ = view->clientToDoc(point);
    const std::shared_ptr<Diagram> d = diagram() ? diagram() : view->diagram();
    item_ = d ? d->getItemAt(buttonDownPos_, false, 2) : nullptr;
    if (!item_) return;
    // In the view before the handlers run, so that they find the menu shown there.
    view->addSubview(menu_);
    shown_ = true;
    ContextMenuEventArgs args(menu_, item_, buttonDownPos_);
    d->contextMenuCreated().raise(*d, args);
}

void RadialMenuController::continueDrag(Point point) {
    SinglePointerController::continueDrag(point);
    if (!menu_) return;
    std::shared_ptr<MenuItem> hit = getMenuItemAt(point.x, point.y, menu_->iconsWidth() + 10);
    if (!hit) hit = menu_->defaultItem();
    if (const std::shared_ptr<MenuItem>& previous = menu_->selected()) previous->setHovered(false);
    menu_->setSelected(hit);
    if (hit) hit->setHovered(true);
    menu_->setNeedsDisplay();
}

void RadialMenuController::endDrag(Point point) {
    SinglePointerController::endDrag(point);
    if (!menu_) return;
    const std::shared_ptr<RadialMenu> menu = menu_;
    const std::shared_ptr<MenuItem>& selected = menu->selected();
    if (selected && item_ && selected->image()) {
        const auto it = menu->dict().find(selected->image()->image());
        if (it != menu->dict().end() && it->second) {
            // A copy: the action may change the menu.
            const RadialMenu::Action action = it->second;
            action(item_);
        }
    }
    closeMenu();
}

void RadialMenuController::onCancel(Point, Point) {
    closeMenu();
}

void RadialMenuController::closeMenu() {
    shown_ = false;
    const std::shared_ptr<RadialMenu> menu = std::move(menu_);
    menu_ = nullptr;
    if (menu) menu->removeFromSuperview();
}

std::shared_ptr<MenuItem> RadialMenuController::getMenuItemAt(double x, double y,
                                                              double radius) const {
    if (!menu_) return nullptr;
    std::shared_ptr<MenuItem> nearest;
    double best = 0;
    const Rect origin = menu_->bounds();
    for (const std::shared_ptr<MenuItem>& item : menu_->items()) {
        const Rect f = item->frame();
        const double cx = f.x + f.width / 2 + origin.x;
        const double cy = f.y + f.height / 2 + origin.y;
        const double distance = std::hypot(x - cx, y - cy);
        if (!nearest || distance < best) {
            nearest = item;
            best = distance;
        }
    }
    return nearest && best < radius ? nearest : nullptr;
}

}  // namespace nodeloom
