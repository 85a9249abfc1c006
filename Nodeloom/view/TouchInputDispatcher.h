#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/platform/Touch.h"
#include "Nodeloom/view/TouchInputState.h"

namespace nodeloom {

class DiagramItem;
class DiagramView;
class TouchInputController;

// Takes the fingers of a view one by one, in view points, and runs the interactions they make:
// it finds what lies under a finger, keeps one record per interaction, hands a drag to the
// controller the behaviour's selectors choose, and turns a release without a controller into a
// tap. Every touch operation may be overridden.
//
// The view owns its dispatcher, so the dispatcher and its interactions refer to the view weakly.
class TouchInputDispatcher {
public:
    using TouchPtr = std::shared_ptr<platform::Touch>;

    // One finger of an interaction, in view points. Known by identity.
    class TouchInfo {
    public:
        TouchInfo(TouchPtr id, Point startPoint, Point currentPoint)
            : id_(std::move(id)), startPoint_(startPoint), currentPoint_(currentPoint) {}
        TouchInfo(const TouchInfo&) = delete;
        TouchInfo& operator=(const TouchInfo&) = delete;

        const TouchPtr& id() const { return id_; }
        void setId(TouchPtr id) { id_ = std::move(id); }
        Point startPoint() const { return startPoint_; }
        void setStartPoint(Point point) { startPoint_ = point; }
        Point currentPoint() const { return currentPoint_; }
        void setCurrentPoint(Point point) { currentPoint_ = point; }

    private:
        TouchPtr id_;
        Point startPoint_;
        Point currentPoint_;
    };

    // One interaction: the fingers that take part in it (two at most are used), the item it
    // began on and, once a drag has started, its controller, which it drives with the fingers'
    // positions in document units. Known by identity.
    class TouchItem : public std::enable_shared_from_this<TouchItem> {
    public:
        TouchItem() = default;
        TouchItem(const std::shared_ptr<DiagramView>& view, std::shared_ptr<DiagramItem> item);
        virtual ~TouchItem();
        TouchItem(const TouchItem&) = delete;
        TouchItem& operator=(const TouchItem&) = delete;

        // Appends a finger that starts and stands at the position; a finger already listed is
        // listed again.
        virtual void addTouch(const TouchPtr& touch, Point position);
        // Moves the finger and passes the first two fingers' positions to the controller (the
        // second as (0, 0) with one finger). A touch that is not listed changes nothing.
        virtual void touchMoved(const TouchPtr& touch, Point position);
        // Starts a controller that needs two fingers at their start points, once two are there.
        virtual void startController();
        // Moves the finger, passes the release to the controller as touchMoved passes a move
        // (while the finger still counts), then takes the finger out.
        virtual void touchEnded(const TouchPtr& touch, Point position);

        // The listed finger of the touch, or null.
        std::shared_ptr<TouchInfo> find(const TouchPtr& touch) const;
        // The two points a controller is given now, in document units: the first finger's and
        // the second's, or (0, 0) with one finger. False without a view or a finger.
        bool controllerPoints(Point& a, Point& b) const;

        std::shared_ptr<DiagramView> diagramView() const { return diagramView_.lock(); }
        void setDiagramView(const std::shared_ptr<DiagramView>& view) { diagramView_ = view; }
        const std::shared_ptr<DiagramItem>& item() const { return item_; }
        void setItem(std::shared_ptr<DiagramItem> item) { item_ = std::move(item); }
        const std::shared_ptr<TouchInputController>& controller() const { return controller_; }
        void setController(std::shared_ptr<TouchInputController> controller) {
            controller_ = std::move(controller);
        }
        const std::vector<std::shared_ptr<TouchInfo>>& touches() const { return touches_; }
        void setTouches(std::vector<std::shared_ptr<TouchInfo>> touches) {
            touches_ = std::move(touches);
        }

    private:
        // Moves the listed finger of the touch and tells the controller; null when the touch
        // is not listed.
        std::shared_ptr<TouchInfo> moveFinger(const TouchPtr& touch, Point position,
                                              void (TouchInputController::*notify)(Point, Point));

        std::weak_ptr<DiagramView> diagramView_;
        std::shared_ptr<DiagramItem> item_;
        std::shared_ptr<TouchInputController> controller_;
        std::vector<std::shared_ptr<TouchInfo>> touches_;
    };

    TouchInputDispatcher();
    virtual ~TouchInputDispatcher();
    TouchInputDispatcher(const TouchInputDispatcher&) = delete;
    TouchInputDispatcher& operator=(const TouchInputDispatcher&) = delete;

    // The item under a document point, selection handles first; null without a view.
    virtual std::shared_ptr<DiagramItem> hitTestItem(Point point);
    // One call per finger of a view's callback, with the finger's position in view points.
    virtual void onDoubleTap(const TouchPtr& touch, Point position);
    virtual void onLongPress(const TouchPtr& touch, Point position);
    virtual void onTouchDown(const TouchPtr& touch, Point position);
    virtual void onTouchMove(const TouchPtr& touch, Point position);
    virtual void onTouchUp(const TouchPtr& touch, Point position);
    // The system broke the finger's gesture off: its interaction's controller is cancelled and
    // the interaction dropped; no tap, no click.
    virtual void onTouchCancel(const TouchPtr& touch, Point position);
    // The controller for the interaction that holds the touch, or null.
    virtual std::shared_ptr<TouchInputController> createController(const TouchPtr& touch);
    // Breaks every running interaction off as a cancel does: its controller is cancelled and
    // the interaction dropped. Fingers still down then belong to no interaction: their moves and
    // releases do nothing, and make no tap.
    void cancelInteractions();

    const std::shared_ptr<DiagramItem>& pointedItem() const { return pointedItem_; }
    void setPointedItem(std::shared_ptr<DiagramItem> item) { pointedItem_ = std::move(item); }
    // Document units.
    Point pointerPosition() const { return pointerPosition_; }
    void setPointerPosition(Point position) { pointerPosition_ = position; }
    const std::vector<ControllerSelector>& controllerSelectors() const {
        return controllerSelectors_;
    }
    void setControllerSelectors(std::vector<ControllerSelector> selectors) {
        controllerSelectors_ = std::move(selectors);
    }
    std::shared_ptr<DiagramView> diagramView() const { return diagramView_.lock(); }
    void setDiagramView(const std::shared_ptr<DiagramView>& view) { diagramView_ = view; }
    // The running interactions, oldest first.
    const std::vector<std::shared_ptr<TouchItem>>& manipulators() const { return manipulators_; }
    std::vector<std::shared_ptr<TouchItem>>& manipulators() { return manipulators_; }
    // The number of touches in the view's callback being delivered.
    int touchesCount() const { return touchesCount_; }
    void setTouchesCount(int count) { touchesCount_ = count; }
    int maxControllers() const { return maxControllers_; }
    void setMaxControllers(int count) { maxControllers_ = count; }
    int controllersCount() const { return controllersCount_; }
    void setControllersCount(int count) { controllersCount_ = count < 0 ? 0 : count; }

    // Whether the finger went down on the view or on one of its subviews. A window reports all
    // its fingers to each callback, also those that went down on a palette beside the view;
    // those belong to no interaction of this view. A touch that names no view is taken as ours.
    static bool beganInView(const TouchPtr& touch, const DiagramView& view);

private:
    // The first interaction that holds the finger, or null.
    std::shared_ptr<TouchItem> holderOf(const TouchPtr& touch) const;
    // A release without a controller: the click events, a widget's click or a new selection.
    void tap(DiagramView& view, const std::shared_ptr<DiagramItem>& item, Point position);
    // Stops the interaction's controller at its fingers' last points: ended as a release would
    // end it, or cancelled; a radial menu is closed without running an action either way.
    static void stopController(TouchItem& interaction, bool cancel);
    // Takes the interaction out of the list, and its controller out of the count.
    void forget(const std::shared_ptr<TouchItem>& interaction);

    std::shared_ptr<DiagramItem> pointedItem_;
    Point pointerPosition_;
    std::vector<ControllerSelector> controllerSelectors_;
    std::weak_ptr<DiagramView> diagramView_;
    std::vector<std::shared_ptr<TouchItem>> manipulators_;
    int touchesCount_ = 0;
    int maxControllers_ = 1;
    int controllersCount_ = 0;
    // The interactions that asked for a controller and count in controllersCount.
    std::vector<std::weak_ptr<TouchItem>> counted_;
};

}  // namespace nodeloom
