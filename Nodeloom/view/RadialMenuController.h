#pragma once

#include <memory>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/view/SinglePointerController.h"

namespace nodeloom {

class DiagramItem;
class DiagramView;
class MenuItem;
class RadialMenu;

// Runs the context menu from a long press to the lifting of the finger: opens a menu centred on
// the press over the item there, lets the document's handlers fill it, highlights the button
// nearest the finger and, on release, runs that button's action on the item. The press point
// comes in view points, the later points in the menu's own coordinates.
class RadialMenuController : public SinglePointerController {
public:
    RadialMenuController(std::shared_ptr<RadialMenu> menu, const std::shared_ptr<DiagramView>& view,
                         Point buttonDownPos, std::shared_ptr<DiagramItem> item);
    ~RadialMenuController() override;

    void startDrag(Point point) override;
    void continueDrag(Point point) override;
    void endDrag(Point point) override;
    // Closes the menu without running anything.
    void onCancel(Point point, Point positionB) override;

    // The button nearest (x, y) in the menu's coordinates when closer than radius, else null.
    virtual std::shared_ptr<MenuItem> getMenuItemAt(double x, double y, double radius) const;

    const std::shared_ptr<RadialMenu>& menu() const { return menu_; }
    void setMenu(std::shared_ptr<RadialMenu> menu) { menu_ = std::move(menu); }
    std::shared_ptr<DiagramView> diagramView() const { return diagramView_.lock(); }
    void setDiagramView(const std::shared_ptr<DiagramView>& view) { diagramView_ = view; }
    // Document units.
    Point buttonDownPos() const { return buttonDownPos_; }
    void setButtonDownPos(Point point) { buttonDownPos_ = point; }
    const std::shared_ptr<DiagramItem>& item() const { return item_; }
    void setItem(std::shared_ptr<DiagramItem> item) { item_ = std::move(item); }

private:
    void closeMenu();

    std::shared_ptr<RadialMenu> menu_;
    std::weak_ptr<DiagramView> diagramView_;
    Point buttonDownPos_;
    std::shared_ptr<DiagramItem> item_;
    // Whether the menu shown is this controller's: one let go of while it shows closes it.
    bool shown_ = false;
};

}  // namespace nodeloom
