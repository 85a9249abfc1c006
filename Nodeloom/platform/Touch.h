#pragma once

#include <memory>
#include <vector>

#include "Nodeloom/foundation/Object.h"
#include "Nodeloom/foundation/Point.h"

namespace nodeloom::platform {

class View;
class Window;

enum class TouchPhase { began = 0, moved = 1, stationary = 2, ended = 3, cancelled = 4 };

// One finger on a window, from the moment it goes down until it is lifted or cancelled. The
// window updates the same object through the finger's life, so a touch is known by identity.
class Touch : public Object {
public:
    Touch(int id, const Point& location, std::weak_ptr<View> view, std::weak_ptr<Window> window);
    ~Touch() override;
    Touch(const Touch&) = delete;
    Touch& operator=(const Touch&) = delete;

    // The finger's id, as the window's touch injector was given it.
    int id() const { return id_; }
    TouchPhase phase() const { return phase_; }
    // The finger's position in the coordinates of the view, through the frames of the views
    // between that view and its window.
    Point locationIn(const View& view) const;
    Point locationInWindow() const { return location_; }
    // The view the finger went down on; null once that view is gone.
    std::shared_ptr<View> view() const { return view_.lock(); }
    std::shared_ptr<Window> window() const { return window_.lock(); }

private:
    friend class Window;

    int id_;
    Point location_;
    TouchPhase phase_ = TouchPhase::began;
    // Weak: views keep the touches they were given (a gesture's first touch), and the window
    // keeps the view of every live finger.
    std::weak_ptr<View> view_;
    std::weak_ptr<Window> window_;
};

// The touches of one callback, or of an event, in the order the fingers went down.
using TouchSet = std::vector<std::shared_ptr<Touch>>;

}  // namespace nodeloom::platform
