#pragma once

#include <memory>
#include <utility>

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

class Canvas;
class DiagramItem;

// A small widget that lives on an item (a fold button, an expander, a scroll bar): the item
// draws it after its body and the view finds it before any selection handle. A tap reaches
// onClick; only a manipulator that asks for drags receives the touch calls.
//
// The item owns its manipulators, so the manipulator refers back to it weakly: a manipulator
// that outlives its item (kept by a controller, say) answers a null item instead of dangling.
class Manipulator {
public:
    explicit Manipulator(std::weak_ptr<DiagramItem> item) : item_(std::move(item)) {}
    virtual ~Manipulator() = default;
    Manipulator(const Manipulator&) = delete;
    Manipulator& operator=(const Manipulator&) = delete;

    virtual void draw(Canvas& canvas);
    virtual bool hitTest(const Point& point);
    virtual void onClick(const Point& point);
    virtual bool needsDragEvents(const Point& point);
    virtual void onTouchDown(const Point& point);
    virtual void onTouchMove(const Point& point);
    virtual void onTouchUp(const Point& point);
    // The drag was broken off: what it changed goes back, and it leaves no trace. The base,
    // whose drags change nothing, does nothing.
    virtual void onCancel(const Point& point);

    // Null once the item is gone.
    std::shared_ptr<DiagramItem> item() const { return item_.lock(); }

private:
    const std::weak_ptr<DiagramItem> item_;
};

}  // namespace nodeloom
