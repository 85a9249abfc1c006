#pragma once

#include "Nodeloom/foundation/Point.h"

namespace nodeloom {

class Canvas;

// The base of every interaction controller: it carries out one gesture, from the first finger's
// drag start to its release, with points in document units. `positionB` is the second finger's
// position for a two-finger controller, and (0, 0) when one finger is involved.
class TouchInputController {
public:
    virtual ~TouchInputController() = default;
    TouchInputController(const TouchInputController&) = delete;
    TouchInputController& operator=(const TouchInputController&) = delete;

    virtual void onTouchDown(Point point, Point positionB);
    virtual void onTouchMove(Point point, Point positionB);
    virtual void onTouchUp(Point point, Point positionB);
    // The gesture was broken off by the system rather than ended by the user.
    virtual void onCancel(Point point, Point positionB);
    // Feedback drawn over the document, in document units, while the gesture runs.
    virtual void draw(Canvas& canvas);
    // The fingers the controller needs; it is dropped when fewer remain.
    virtual int pointerCount() const;

protected:
    TouchInputController() = default;
};

}  // namespace nodeloom
