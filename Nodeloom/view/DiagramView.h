#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Touch.h"
#include "Nodeloom/platform/View.h"
#include "Nodeloom/view/Behavior.h"

namespace nodeloom {

class BehaviorBase;
class Diagram;
class DiagramItem;
class DiagramNode;
class InplaceEditable;
class NodeListView;
class RadialMenu;
class RepaintEventArgs;
class TouchEventHandler;
class TouchInputDispatcher;

namespace platform {
class Coder;
class TextView;
class Timer;
class TouchEvent;
struct Notification;
}  // namespace platform

// The view that shows one document and lets the user edit it by touch.
//
// Viewport: a document point p is shown at the view point (p - scroll) * s, where s is the
// number of view points one document unit spans at 100 % times zoomLevel / 100.
//
// Touches: the view turns its touch callbacks into calls of its touch hooks. Touch-down is held
// back for a short wait so that fingers landing together arrive together; a finger held still
// makes a long press and two quick taps near each other a double tap. All three are timed by
// repeating timers on the current run loop that count ticks, not elapsed time. The view's touch
// handler installs the hooks and passes the touches on to its dispatcher.
//
// Lifetime: the view owns its document, touch handler, dispatcher, behaviour and timers, and
// everything of those that refers back to the view (the document's repaint handler, the timers,
// the keyboard observer, the touch handler, the dispatcher and the controllers it runs) does so
// weakly, so the view goes when its owner lets it go, and takes its timers and observer along.
class DiagramView : public platform::View {
public:
    using TouchHook = std::function<void(const platform::TouchSet& touches,
                                         const std::shared_ptr<platform::TouchEvent>& event)>;

    // A view as large as the new document's bounds, read as points.
    static std::shared_ptr<DiagramView> create();
    static std::shared_ptr<DiagramView> create(const Rect& frame);
    // Null when the archive holds no view.
    static std::shared_ptr<DiagramView> create(const platform::Coder& coder);

    DiagramView(Passkey, const Rect& frame);
    ~DiagramView() override;

    // The document x and y shown at the view's left and top edges. Numbers that are not finite
    // are refused.
    double scrollX() const { return scrollX_; }
    void setScrollX(double scroll);
    double scrollY() const { return scrollY_; }
    void setScrollY(double scroll);
    // In percent. Also sets the document's hit threshold to its touch threshold at this zoom.
    // A zoom that is not a finite number above 0 is refused.
    double zoomLevel() const { return zoomLevel_; }
    void setZoomLevel(double zoom);
    // The document shown. Its repaints reach the view from now on, the old document's no
    // longer; null is refused. A new document, like a load or a clear of the one shown, ends
    // every running gesture (each controller is cancelled) and cancels the open edit.
    const std::shared_ptr<Diagram>& diagram() const { return diagram_; }
    void setDiagram(std::shared_ptr<Diagram> diagram);
    // The interaction mode; a new mode builds its behaviour.
    Behavior behavior() const { return behavior_; }
    void setBehavior(Behavior behavior);
    const std::shared_ptr<BehaviorBase>& currentBehavior() const { return currentBehavior_; }
    bool allowInplaceEdit() const { return allowInplaceEdit_; }
    void setAllowInplaceEdit(bool allow) { allowInplaceEdit_ = allow; }
    std::shared_ptr<NodeListView> nodeList() const { return nodeList_.lock(); }
    void setNodeList(const std::shared_ptr<NodeListView>& list) { nodeList_ = list; }

    // The touch hooks: touch-down (after the second-finger wait), move, release, long press and
    // double tap, and the touches the system broke off.
    const TouchHook& onTouchesBegan() const { return onTouchesBegan_; }
    void setOnTouchesBegan(TouchHook hook) { onTouchesBegan_ = std::move(hook); }
    const TouchHook& onTouchesMoved() const { return onTouchesMoved_; }
    void setOnTouchesMoved(TouchHook hook) { onTouchesMoved_ = std::move(hook); }
    const TouchHook& onTouchesEnded() const { return onTouchesEnded_; }
    void setOnTouchesEnded(TouchHook hook) { onTouchesEnded_ = std::move(hook); }
    const TouchHook& onLongPress() const { return onLongPress_; }
    void setOnLongPress(TouchHook hook) { onLongPress_ = std::move(hook); }
    const TouchHook& onDoubleTap() const { return onDoubleTap_; }
    void setOnDoubleTap(TouchHook hook) { onDoubleTap_ = std::move(hook); }
    const TouchHook& onTouchesCancelled() const { return onTouchesCancelled_; }
    void setOnTouchesCancelled(TouchHook hook) { onTouchesCancelled_ = std::move(hook); }

    // Conversions between view points and document units.
    Point clientToDoc(const Point& point) const;
    Rect clientToDocRect(const Rect& rect) const;
    double clientToDocLen(double length) const;
    Point docToClient(const Point& point) const;
    Rect docToClientRect(const Rect& rect) const;

    // The first node of the document's node list that contains the document point; z-order and
    // layers play no part.
    std::shared_ptr<DiagramNode> getNodeAt(const Point& point) const;
    // Scrolls the item's repaint rectangle to the middle of the view, unless it is already in
    // sight, without scrolling past the document's left or top edge.
    void bringIntoView(DiagramItem& item);
    // Zooms and scrolls so that the document rectangle fills the view from its top-left corner.
    // A rectangle that gives no finite zoom above 0 changes nothing.
    void zoomToRect(const Rect& rect);

    // Rebuilds the behaviour from the mode and gives its selectors to the dispatcher.
    void updateCurrentBehavior();
    // The repaint subscription: one handler in the document's repaint event, which a detach
    // turns into one that does nothing, so that the other handlers keep their indexes.
    void attachRepaintHandler(Diagram& diagram);
    void detachRepaintHandler(Diagram& diagram);

    // In-place text editing of an item's text at a document point, its commit and its cancel.
    // The target is picked by the item's class: a table's cell under the point (else the
    // table's own text), a tree's row under the point (else the tree's own text), any other
    // node, a link's label under the point (else the link); anything else is ignored. An edit
    // that is open when another begins is committed first. The commit writes the text back as
    // one undo step and raises the edited event even when the text did not change; the cancel
    // writes nothing and raises nothing.
    virtual void beginEdit(const std::shared_ptr<DiagramItem>& item, const Point& point);
    virtual void endEdit();
    virtual void cancelEdit();
    bool editing() const { return editing_; }
    // The text view laid over the edited text while an edit is open; its input accessory view
    // is the toolbar with "Done" and "Cancel".
    const std::shared_ptr<platform::TextView>& editTextField() const { return editTextField_; }

    // Draws the document for a dirty rectangle in view points, then the feedback of the running
    // controllers, on the current drawing context; nothing without one.
    void drawDiagram(const Rect& rect);

    const std::shared_ptr<TouchEventHandler>& touchEventHandler() const {
        return touchEventHandler_;
    }
    const std::shared_ptr<TouchInputDispatcher>& touchInputDispatcher() const {
        return touchInputDispatcher_;
    }
    const std::shared_ptr<RadialMenu>& menu() const { return menu_; }
    void setMenu(std::shared_ptr<RadialMenu> menu) { menu_ = std::move(menu); }
    // The gesture timers while they run or are kept.
    const std::shared_ptr<platform::Timer>& longPressTimer() const { return longPressTimer_; }
    const std::shared_ptr<platform::Timer>& doubleTapTimer() const { return doubleTapTimer_; }
    const std::shared_ptr<platform::Timer>& waitForSecondTouchTimer() const {
        return waitForSecondTouchTimer_;
    }
    // The keyboard frame, taken from the first keyboard notification.
    const Rect& keyboardRect() const { return keyboardRect_; }

    // View callbacks.
    void draw(const Rect& rect) override;
    void layoutSubviews() override;
    void touchesBegan(const platform::TouchSet& touches,
                      const std::shared_ptr<platform::TouchEvent>& event) override;
    void touchesMoved(const platform::TouchSet& touches,
                      const std::shared_ptr<platform::TouchEvent>& event) override;
    void touchesEnded(const platform::TouchSet& touches,
                      const std::shared_ptr<platform::TouchEvent>& event) override;
    // Resets the gesture as a release would, but counts no tap.
    void touchesCancelled(const platform::TouchSet& touches,
                          const std::shared_ptr<platform::TouchEvent>& event) override;

protected:
    // The ticks of the long-press, second-finger and double-tap timers.
    virtual void incrementSecondsCounter();
    virtual void incrementSecondTouchSecondsCounter(platform::Timer& timer);
    virtual void incrementNextTapSecondsCounter();
    // Keeps the first keyboard frame announced.
    virtual void keyboardDidShow(const platform::Notification& notification);
    // The text view of an edit over a document rectangle, with its toolbar; it becomes
    // editTextField.
    virtual void createEditTextView(const Rect& rect, const std::string& text);
    // How far the view must move up so that the document rectangle clears the keyboard.
    virtual void computeKeyboardOffset(const Rect& rect);
    // Moves the view up by the offset, or back down to where it was.
    virtual void moveForKeyboard(bool up);
    // The toolbar's buttons.
    virtual void OKButtonPressed();
    virtual void CancelButtonPressed();

private:
    struct RepaintForwarder;

    // The common end of the three ways to make a view.
    static std::shared_ptr<DiagramView> make(const Rect& frame, std::shared_ptr<Diagram> diagram);
    void setupView(Diagram& diagram);
    std::shared_ptr<DiagramView> self();
    std::weak_ptr<DiagramView> weakSelf();
    // View points per document unit.
    double clientScale() const;
    void onDiagramRepaint(const RepaintEventArgs& args);
    std::shared_ptr<platform::Timer> scheduleTimer(double interval,
                                                   void (DiagramView::*tick)(platform::Timer&),
                                                   std::any userInfo = {});
    void tickSeconds(platform::Timer&) { incrementSecondsCounter(); }
    void tickNextTap(platform::Timer&) { incrementNextTapSecondsCounter(); }
    static void stop(std::shared_ptr<platform::Timer>& timer);
    // Calls the hook, if one is set, on a copy that a hook replacing itself cannot destroy.
    static void call(const TouchHook& hook, const platform::TouchSet& touches,
                     const std::shared_ptr<platform::TouchEvent>& event);
    // A release's gesture bookkeeping that a cancel shares.
    void resetLongPress();
    // Ends the running gestures and the open edit, whose items are not in the document shown.
    void dropWork();

    // Opens the edit of what beginEdit chose, placed by its edit rectangle at the point.
    void openEdit(const std::shared_ptr<InplaceEditable>& editable,
                  const std::shared_ptr<DiagramItem>& owner, const Point& point);

    // In-place editing.
    std::shared_ptr<InplaceEditable> elementToEdit_;
    std::shared_ptr<platform::TextView> editTextField_;
    double offset_ = 0;
    // How far the view is moved up now, so that it goes back down by exactly that.
    double movedUp_ = 0;
    Rect keyboardRect_;
    bool editing_ = false;
    // The document's content generation when the open edit began: the edit's step belongs to
    // no history of content that replaced it.
    std::uint64_t editGeneration_ = 0;

    // Viewport and document.
    double scrollX_ = 0;
    double scrollY_ = 0;
    double zoomLevel_ = 100;
    std::shared_ptr<Diagram> diagram_;
    // The document's content generation when the view last ended its work on it.
    std::uint64_t contentSeen_ = 0;
    std::weak_ptr<NodeListView> nodeList_;
    std::shared_ptr<RadialMenu> menu_;

    // Gestures.
    Point touchPoint_;
    Point firstTapPoint_;
    std::shared_ptr<platform::Timer> longPressTimer_;
    std::shared_ptr<platform::Timer> doubleTapTimer_;
    std::shared_ptr<platform::Timer> waitForSecondTouchTimer_;
    int longPressSeconds_ = 0;
    int doubleTapSeconds_ = 0;
    double waitForSecondTouch_ = 0;
    bool longPress_ = false;
    double radiusOfLongPressDetection_ = 10.0;
    double secondsOfLongPressDetection_ = 2.0;
    double radiusOfDoubleTapDetection_ = 10.0;
    double secondsOfDoubleTapDetection_ = 0.5;
    double secondsOfSecondTouchDetection_ = 0.18;
    bool radialMenuVisible_ = false;
    std::shared_ptr<platform::Touch> touch_;
    int tapCount_ = 0;
    bool began_ = false;
    // Fingers that went down during the running second-finger wait. Those lifted before it ends
    // go out with it, ended: the dispatcher makes their whole tap.
    platform::TouchSet waiting_;
    // Fingers whose touch-down committed an edit: their release is not a tap.
    platform::TouchSet committing_;

    TouchHook onTouchesBegan_;
    TouchHook onTouchesMoved_;
    TouchHook onTouchesEnded_;
    TouchHook onLongPress_;
    TouchHook onDoubleTap_;
    TouchHook onTouchesCancelled_;

    std::shared_ptr<TouchEventHandler> touchEventHandler_;
    std::shared_ptr<TouchInputDispatcher> touchInputDispatcher_;
    std::shared_ptr<BehaviorBase> currentBehavior_;
    Behavior behavior_ = Behavior::linkShapes;
    int repaintHandler_ = -1;
    bool allowInplaceEdit_ = false;
};

}  // namespace nodeloom
