#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"
#include "Nodeloom/platform/Touch.h"

namespace nodeloom::platform {

class TouchEvent;
class View;

// Where a gesture is. A discrete gesture (a tap) goes from possible straight to ended; a
// continuous one (a pan) goes through began and changed. Ended, cancelled and failed are kept
// until the next finger comes down on a recogniser whose fingers are all up.
enum class GestureRecognizerState {
    possible = 0,
    began = 1,
    changed = 2,
    ended = 3,
    cancelled = 4,
    failed = 5
};

// Turns the fingers on a view (and on the views below it) into one gesture. A window hands every
// recogniser of the finger's view and of that view's ancestors the finger's touches before it
// calls the view's own touch callbacks; recognisers on one tree recognise side by side.
//
// Targets are closures: each is called, in the order added, whenever the gesture reports a
// state (began, changed, ended, cancelled). A closure that must not keep its owner alive
// captures it weakly.
class GestureRecognizer : public Object {
public:
    using Action = std::function<void(GestureRecognizer&)>;

    GestureRecognizer() = default;
    explicit GestureRecognizer(Action action);
    ~GestureRecognizer() override;
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    GestureRecognizerState state() const { return state_; }
    void addTarget(Action action);
    // A member of an object as the action; the object is held weakly, and once it is gone the
    // action does nothing.
    template <class Target>
    void addTarget(const std::shared_ptr<Target>& target,
                   void (Target::*action)(GestureRecognizer&)) {
        addTarget([weak = std::weak_ptr<Target>(target), action](GestureRecognizer& recognizer) {
            if (const auto object = weak.lock()) ((*object).*action)(recognizer);
        });
    }

    // The view the recogniser is attached to, or null.
    std::shared_ptr<View> view() const { return view_.lock(); }

    // The fingers the gesture follows now.
    int numberOfTouches() const { return static_cast<int>(touches_.size()); }
    // The centre of the gesture's fingers in the view's coordinates; in window coordinates for
    // null. Once the fingers are up, where they were last.
    Point locationIn(const View* view) const;

    // Puts the gesture into a state as if its fingers were at the given window point, and
    // reports that state to the targets, failed included. For hosts and tests that play a
    // gesture without fingers; a point that is not finite keeps the last location.
    void drive(GestureRecognizerState state, const Point& windowPoint);

    // The window's calls, with the touches of this recogniser's fingers in the call.
    virtual void touchesBegan(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesMoved(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesEnded(const TouchSet& touches, const TouchEvent& event);
    virtual void touchesCancelled(const TouchSet& touches, const TouchEvent& event);

protected:
    // Stores the state and reports the ones a gesture reports.
    void setState(GestureRecognizerState state);
    // Back to possible before a new gesture; subclasses clear their own records too.
    virtual void reset();

    const TouchSet& touches() const { return touches_; }
    // The centre of the fingers followed, in window coordinates; the last one when there are
    // none.
    Point centroid() const;
    // Follows these touches too (each once); false when none was new.
    bool track(const TouchSet& touches);
    // Stops following these touches, remembering where they were.
    void untrack(const TouchSet& touches);
    // Only the touches among these that the gesture follows.
    TouchSet tracked(const TouchSet& touches) const;

private:
    friend class View;

    void report();

    GestureRecognizerState state_ = GestureRecognizerState::possible;
    std::vector<Action> actions_;
    std::weak_ptr<View> view_;
    TouchSet touches_;
    Point lastLocation_;
};

}  // namespace nodeloom::platform
