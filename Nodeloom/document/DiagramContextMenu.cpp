// The document's default context menu. This is the one place where the document reaches up to
// the view: the menu and the view it is shown in are widgets of the view layer.

#include <memory>

#include "Nodeloom/document/ContextMenuEventArgs.h"
#include "Nodeloom/document/Diagram.h"
#include "Nodeloom/foundation/Color.h"
#include "Nodeloom/items/DiagramItem.h"
// Hook: default context menu
#include "Nodeloom/view/DiagramView.h"
// Hook: default context menu
#include "Nodeloom/view/RadialMenu.h"

namespace nodeloom {

void Diagram::fillDefaultContextMenu(Object&, ContextMenuEventArgs& args) {
    const std::shared_ptr<RadialMenu> menu = args.menu();
    if (!menu) return;
    const auto view = std::dynamic_pointer_cast<DiagramView>(menu->superview());
    if (!view) return;
    menu->setPosition(VisualizationPosition::top);

    const Point pointer = args.pointerPosition();
    menu->addItem("delete32.png", [](const std::shared_ptr<DiagramItem>& item) {
        deleteItemWithEvents(item);
    });
    if (view->allowInplaceEdit()) {
        const std::weak_ptr<DiagramView> weakView = view;
        menu->addItem("edit32.png", [weakView, pointer](const std::shared_ptr<DiagramItem>& item) {
            if (const std::shared_ptr<DiagramView> v = weakView.lock()) v->beginEdit(item, pointer);
        });
    }
    const std::shared_ptr<MenuItem> toggle =
        menu->addItem("toggle32.png", [](const std::shared_ptr<DiagramItem>& item) {
            if (item) item->setSelected(!item->selected());
        });
    if (toggle) {
        menu->setDefaultItem(toggle);
        if (const std::shared_ptr<MenuItem>& previous = menu->selected()) {
            previous->setHovered(false);
        }
        menu->setSelected(toggle);
        toggle->setHovered(true);
    }
    for (const std::shared_ptr<MenuItem>& item : menu->items()) {
        item->setOnHoverStrokeColor(std::make_shared<Color>(1.0, 1.0, 100.0 / 255, 10.0 / 255));
    }
}

}  // namespace nodeloom
