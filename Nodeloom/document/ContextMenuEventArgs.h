#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

class DiagramItem;
class RadialMenu;

// A long press opened the radial menu over an item; handlers fill the menu.
class ContextMenuEventArgs {
public:
    ContextMenuEventArgs(std::shared_ptr<RadialMenu> menu, std::shared_ptr<DiagramItem> item,
                         Point pointerPosition)
        : pointerPosition_(pointerPosition), menu_(std::move(menu)), item_(std::move(item)) {}
    virtual ~ContextMenuEventArgs() = default;

    Point pointerPosition() const { return pointerPosition_; }
    void setPointerPosition(Point p) { pointerPosition_ = p; }
    const std::shared_ptr<RadialMenu>& menu() const { return menu_; }
    void setMenu(std::shared_ptr<RadialMenu> menu) { menu_ = std::move(menu); }
    const std::shared_ptr<DiagramItem>& item() const { return item_; }
    void setItem(std::shared_ptr<DiagramItem> item) { item_ = std::move(item); }

private:
    Point pointerPosition_;
    std::shared_ptr<RadialMenu> menu_;
    std::shared_ptr<DiagramItem> item_;
};

}  // namespace nodeloom
