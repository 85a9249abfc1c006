#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/foundation/Rect.h"
#include "Nodeloom/platform/Touch.h"
#include "Nodeloom/platform/View.h"

namespace nodeloom::platform {

class TouchEvent;

// The root of a view tree: it holds the tree's first responder and its scale, and it is where
// fingers touch the headless screen. A host or a test puts fingers down, moves, lifts or cancels
// them by id, at points in the window's coordinates, several in one call. Each finger goes to
// the deepest interactive view under it when it goes down and stays with that view to its end;
// a view that leaves the window, or a window that goes, ends its fingers there and then as the
// system ends them, cancelled.
class Window : public View {
public:
    // One finger of an injector call.
    struct Finger {
        int id = 0;
        Point location;
    };

    static std::shared_ptr<Window> create();
    static std::shared_ptr<Window> create(const Rect& frame);

    Window(Passkey, const Rect& frame);
    ~Window() override;

    // Device pixels per point: the screen's unless set. Scales that are not positive finite
    // numbers are ignored.
    double scale() const;
    void setScale(double scale);

    // The view taking keyboard input, or null.
    std::shared_ptr<View> firstResponder() const { return firstResponder_.lock(); }

    // The event that every touch callback of this window receives.
    const std::shared_ptr<TouchEvent>& touchEvent() const { return event_; }

    // The injector. Each call delivers one callback per view concerned, views in the order of
    // their first finger in the call. Fingers with ids already down (or not down, for the other
    // calls), repeated ids and points that are not finite are skipped, as is a finger that finds
    // no view or whose view already has a finger and does not take several.
    void fingersDown(const std::vector<Finger>& fingers);
    void fingersMove(const std::vector<Finger>& fingers);
    // A finger's location becomes the given one before it is lifted.
    void fingersUp(const std::vector<Finger>& fingers);
    void fingersCancel(const std::vector<int>& ids);

private:
    friend class View;

    struct LiveFinger {
        std::shared_ptr<Touch> touch;
        View* view;
        // The view is held for the finger's life, like the touch's view in the system this
        // stands in for; unless it is the window itself, which would then hold itself.
        std::shared_ptr<View> keep;
    };
    using Callback = void (View::*)(const TouchSet&, const std::shared_ptr<TouchEvent>&);

    LiveFinger* find(int id);
    // The live fingers among the given ones (each once), moved to their new locations.
    std::vector<LiveFinger> relocate(const std::vector<Finger>& fingers);
    // Sets the phases, refreshes the event, calls back and, for ending phases, lets the fingers go.
    void deliver(const std::vector<LiveFinger>& fingers, TouchPhase phase, Callback callback);
    // Cancels the fingers on the views of the subtree rooted at the view (all of them for null)
    // that are not ending already; the fingers of a callback under way keep their phases.
    void cancelFingersIn(const View* root);
    void refreshEvent();
    // Hands the fingers to the gesture recognisers above their views.
    void recognize(const std::vector<LiveFinger>& fingers, TouchPhase phase,
                   const TouchEvent& event);

    std::optional<double> scale_;
    std::weak_ptr<View> firstResponder_;
    std::shared_ptr<TouchEvent> event_;
    std::vector<LiveFinger> live_;
};

}  // namespace nodeloom::platform
