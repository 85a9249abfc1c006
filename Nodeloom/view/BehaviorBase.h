#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "Nodeloom/view/TouchInputState.h"

namespace nodeloom {

class Diagram;
class DiagramView;
class TouchInputController;

// The base of the behaviours: a behaviour turns the view's interaction mode into an ordered
// list of controller selectors, and the first controller one of them offers serves the drag.
//
// The view owns its behaviour, so the behaviour refers to the view weakly: diagramView() and
// diagram() answer null once the view is gone, and the selectors then offer nothing. The
// document is read from the view at each call, so a behaviour follows the view to a new one.
class BehaviorBase {
public:
    using ControllerPtr = std::shared_ptr<TouchInputController>;

    explicit BehaviorBase(const std::shared_ptr<DiagramView>& diagramView);
    virtual ~BehaviorBase();
    BehaviorBase(const BehaviorBase&) = delete;
    BehaviorBase& operator=(const BehaviorBase&) = delete;

    // The rubber band, whatever lies under the finger; null without a document.
    virtual ControllerPtr createDrawSelectionController(const TouchInputState& state);
    // The drag of every selected item by the pointed handle, offered while a node is selected;
    // a handle that is not a node handle gives a drag that moves nothing.
    virtual ControllerPtr createModifySelectionController(const TouchInputState& state);

    const std::vector<ControllerSelector>& controllers() const { return controllers_; }
    std::vector<ControllerSelector>& controllers() { return controllers_; }
    void setControllers(std::vector<ControllerSelector> controllers) {
        controllers_ = std::move(controllers);
    }
    // The view's document, or null.
    std::shared_ptr<Diagram> diagram() const;
    std::shared_ptr<DiagramView> diagramView() const { return diagramView_.lock(); }
    void setDiagramView(const std::shared_ptr<DiagramView>& view) { diagramView_ = view; }

protected:
    // A selector that calls one of the behaviour's operations, and offers nothing once the
    // behaviour is gone: the dispatcher may hold the list longer than the view holds the
    // behaviour.
    template <typename B>
    ControllerSelector selector(ControllerPtr (B::*operation)(const TouchInputState&)) {
        B* self = static_cast<B*>(this);
        const std::weak_ptr<void> alive = alive_;
        return [self, alive, operation](const TouchInputState& state) -> ControllerPtr {
            return alive.expired() ? nullptr : (self->*operation)(state);
        };
    }
    // Appends the three selectors that reshape what is selected, shared by every behaviour
    // that modifies: the selection, then a link's point, then a node.
    void addModifySelectors();
    // A pointed link handle on a pointed link: that point's drag.
    ControllerPtr createModifyLinkController(const TouchInputState& state);
    // A pointed node handle on a pointed node: that node's move or resize.
    ControllerPtr createModifyNodeController(const TouchInputState& state);

private:
    std::vector<ControllerSelector> controllers_;
    std::weak_ptr<DiagramView> diagramView_;
    std::shared_ptr<void> alive_;
};

}  // namespace nodeloom
